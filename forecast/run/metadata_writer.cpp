#include "forecast/run/metadata_writer.h"

#include <string>
#include <vector>

#include "forecast/format/output_format.h"
#include "forecast/text/trailing_blanks.h"

namespace velk::forecast {
namespace {

// The free texts of the head. The description keeps its customary first words
// and then says what the product is.
constexpr const char* kDescription =
    "Lorem ipsum dolor sit amet: this is a near-real-time forecast of a geomagnetic activity "
    "index a few hours ahead. It is computed from hourly solar-wind and interplanetary "
    "magnetic field data measured upstream of the Earth by the ACE spacecraft, from recent "
    "values of the Kp, ap and Dst indices, and from the hour of the day and the day of the "
    "year, by one pre-computed statistical model (a polynomial in lagged inputs) for each "
    "lead step. The accompanying ASCII table holds, hour by hour, the observed index and the "
    "forecast of every model; this file names the forecast quantity and gives, for every "
    "model, its scores over the recent validation sample: root mean square error, "
    "prediction efficiency and linear correlation with the observations, each also for "
    "persistence (the last observed value), and the skill score of the model over "
    "persistence. Fill values mark hours without data or without a forecast.";
constexpr const char* kContactPerson = "velk_nrt forecasting pipeline project team";
constexpr const char* kContactAddress =
    "velk_nrt forecasting pipeline project, through the issue tracker of its source repository";

std::string line(const char* format, const std::vector<FormatItem>& items) {
  return OutputFormat::parse(format).write(items);
}

std::vector<FormatItem> row_time(const HourlyTable& table, int t) {
  const std::size_t i = static_cast<std::size_t>(t - 1);
  return {table.yr[i], table.mo[i], table.da[i], table.hr[i]};
}

std::string score_block(const char* name, double value, const double* persistence) {
  std::string text = "     <Performance_Score>\n";
  text += std::string("      <Name>") + name + "</Name>\n";
  text += line(R"((6X,"<Value>",F6.3,"</Value>"))", {value});
  if (persistence != nullptr)
    text += line(R"((6X,"<Persistence_Value>",F6.3,"</Persistence_Value>"))", {*persistence});
  text += "     </Performance_Score>\n";
  return text;
}

}  // namespace

std::string metadata_head(const DateTime& created, const HourlyTable& table, int first_row,
                          const TargetDescription& target) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
      "<Zuv_metadata>\n"
      " <productname>Geomagnetic forecast module</productname>\n"
      " <stationname>diverse global</stationname>\n"
      " <code>L2</code>\n"
      " <project>KORVELT</project>\n";
  text += line(
      R"((1X,"<product_creation_time>",I4.4,"-",I2.2,"-",I2.2,"T",I2.2,":",I2.2,":",I2.2,)"
      R"("</product_creation_time>"))",
      {created.year, created.month, created.day, created.hour, created.minute, created.second});
  text += " <revision>1.0</revision>\n";
  text += line(R"((1X,"<startTime>",I4.4,"-",I2.2,"-",I2.2,"T",I2.2,":00:00</startTime>"))",
               row_time(table, first_row));
  text += line(R"((1X,"<stopTime>",I4.4,"-",I2.2,"-",I2.2,"T",I2.2,":59:59</stopTime>"))",
               row_time(table, table.rows_read));
  text +=
      " <location>global</location>\n"
      " <format>ASCII</format>\n"
      " <data_type>nc</data_type>\n"
      "\n";
  text += std::string(" <description>") + kDescription + "</description>\n\n";
  text += std::string(" <contact_person>") + kContactPerson + "</contact_person>\n";
  text += std::string(" <contact_address>") + kContactAddress + "</contact_address>\n";
  text += " <Processing_software_version>0.1</Processing_software_version>\n\n";
  text += " <Predictand>\n";
  text += line(R"((2X,"<Name>",A6,"</Name>"))", {without_trailing_blanks(target.name)});
  text += line(R"((2X,"<Units>",A6,"</Units>"))", {without_trailing_blanks(target.units)});
  text += line(R"((2X,"<Cadence>",I2,"</Cadence>"))", {target.cadence});
  text += line(R"((2X,"<Fill_Value>",F7.1,"</Fill_Value>"))", {target.fill});
  text += "  <List_of_Models>\n";
  return text;
}

std::string metadata_model_block(int lead_step, const Scores& s, const GapCounts* gap_counts) {
  std::string text = "   <Model>\n";
  text += line(R"((4X,"<Lead_Time>",I2,"</Lead_Time>"))", {lead_step});
  if (gap_counts != nullptr) {
    auto count = [](const char* name, int value) {
      return std::string("     <") + name + ">" + std::to_string(value) + "</" + name + ">\n";
    };
    text += "    <Gap_Bridging>\n";
    text += count("Rows_Forecast", gap_counts->forecast_rows);
    text += count("Rows_With_Carried_Values", gap_counts->carried_rows);
    text += count("Rows_From_Fallback_Models", gap_counts->fallback_rows);
    text += "    </Gap_Bridging>\n";
  }
  text += "    <List_of_scores>\n";
  // The value is the root mean square error. "Mean square error" is the label
  // this file format fixes and its readers look up, so it stays as it is.
  text += score_block("Mean square error", s.e_f, &s.e_p);
  text += score_block("Prediction efficiency", s.pe_f, &s.pe_p);
  text += score_block("Pearson's linear correlation coefficient", s.r_f, &s.r_p);
  text += score_block("Skill score", s.skill, nullptr);
  text += "    </List_of_scores>\n";
  text += "   </Model>\n";
  return text;
}

std::string metadata_closing() {
  return "  </List_of_Models>\n </Predictand>\n</Zuv_metadata>\n";
}

void MetadataClosing::close() {
  if (closed_) return;
  closed_ = true;
  out_ << metadata_closing();
}

}  // namespace velk::forecast
