// What the preprocessor and the model fitter's converter both write into the
// forecaster's four input files, defined once: the four-line column headers
// of the ACE MAG and SWEPAM files, and the fill values that mark a missing
// value of the twelve main inputs in the production configuration.
#pragma once

namespace velk::inputs {

inline constexpr char kMagHeader[] =
    "#                 Modified Seconds\n"
    "# UT Date   Time  Julian   of the   ----------------  GSM Coordinates ---------------\n"
    "# YR MO DA  HHMM    Day      Day    S     Bx      By      Bz      Bt     Lat.   Long.\n"
    "#------------------------------------------------------------------------------------\n";

inline constexpr char kSwepamHeader[] =
    "#                Modified Seconds   -------------  Solar Wind  -----------\n"
    "# UT Date   Time  Julian  of the          Proton      Bulk         Ion\n"
    "# YR MO DA  HHMM    Day     Day     S    Density     Speed     Temperature\n"
    "#-------------------------------------------------------------------------\n";

// Fill values of inputs 1-12 (MAG six, temperature, density, speed, Kp, Dst,
// ap), and the same values as the configuration's UF line writes them, where
// the four harmonic inputs 13-16, never missing, get 9.
inline constexpr double kMagFill = -999.9;
inline constexpr double kTemperatureFill = -1.0e5;
inline constexpr double kDensityFill = -9999.9;
inline constexpr double kSpeedFill = -9999.9;
inline constexpr int kKpFill = 99;
inline constexpr int kDstFill = 9999;
inline constexpr int kApFill = 0;
inline constexpr char kFillValuesText[] = "6*-999.9,-1.E5,2*-9999.9,99.,9999.,0.,4*9.";

}  // namespace velk::inputs
