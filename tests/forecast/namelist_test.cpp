#include "forecast/text/namelist.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <tuple>

namespace velk::forecast {
namespace {

// A small set of typed variables shaped like the configuration's.
struct Vars {
  int k = -1;
  std::array<int, 6> n{};
  std::array<double, 4> x{};
  std::array<std::string, 3> t;
  std::string s, f;
  NamelistBinder binder;
  Vars() {
    binder.bind("K", &k, 1);
    binder.bind("N", n.data(), 6);
    binder.bind("X", x.data(), 4);
    binder.bind("T", t.data(), 3);
    binder.bind("S", &s, 1, 10);
    binder.bind("F", &f, 1);
  }
  void read(const std::string& text) {
    std::istringstream in(text);
    binder.assign(read_namelist_group(in, "grp"));
  }
};

TEST(Namelist, SkipsTheBannerAndReadsRepeatsNumbersAndTexts) {
  Vars v;
  v.read(
      "=====\n"
      "CONFIG: K - A NUMBER, GRP IS NOT THE HEADER\n"
      " &GRPX k=1 /\n"  // another group whose name starts the same
      "&Grp ! the numbers\n"
      "      k=+12 ! twelve\n"
      "  n = 2*24 3*648 ,\n 0\n"
      "  X=-1.E5,.5,2*1.5D2\n"
      "T='it''s','','a, \"b\" /c' S='  lead  '\n"
      "/\n"
      "K=99 garbage after the end is never read\n");
  EXPECT_EQ(v.k, 12);
  EXPECT_EQ(v.n, (std::array<int, 6>{24, 24, 648, 648, 648, 0}));
  EXPECT_EQ(v.x, (std::array<double, 4>{-100000.0, 0.5, 150.0, 150.0}));
  EXPECT_EQ(v.t, (std::array<std::string, 3>{"it's", "", "a, \"b\" /c"}));  // '' is all blank
  EXPECT_EQ(v.s, "  lead");  // leading blanks kept, trailing ones dropped
  EXPECT_EQ(v.binder.unassigned(), (std::vector<std::string>{"F"}));
  // The nearest double of the decimal text, as a compiler would convert it.
  v.read("&grp x=0.1,2.675,-2.5e-1,9007199254740993 &END");
  EXPECT_EQ(v.x, (std::array<double, 4>{0.1, 2.675, -0.25, 9007199254740993.0}));
}

TEST(Namelist, NullValuesAndSubscriptsLeaveOtherElementsAlone) {
  Vars v;
  v.n = {9, 9, 9, 9, 9, 9};
  v.read("&GRP N=1,,3, 2*, 6 /");
  EXPECT_EQ(v.n, (std::array<int, 6>{1, 9, 3, 9, 9, 6}));
  v.read("&GRP n(4)=40,50 t(2)='two' /");
  EXPECT_EQ(v.n, (std::array<int, 6>{1, 9, 3, 40, 50, 6}));
  EXPECT_EQ(v.t[1], "two");
}

TEST(Namelist, TextsGoOnAcrossLinesAndAreCutToTheirLength) {
  Vars v;
  v.read("&GRP T='ab\ncd' S='0123456789ABC' F='" + std::string(300, 'p') + "' /\n");
  EXPECT_EQ(v.t[0], "abcd");
  EXPECT_EQ(v.s, "0123456789");  // S holds 10 characters
  EXPECT_EQ(v.f, std::string(255, 'p'));
  // Guards against a CR LF line end leaving its CR inside a continued text.
  v.read("&GRP\r\n T='ab\r\ncd',\r\n'e\rf'\r\n/\r\n");
  EXPECT_EQ(v.t[0], "abcd");
  EXPECT_EQ(v.t[1], "e\rf");  // a CR not before a line feed is text
}

TEST(Namelist, RejectsWhatItCannotReadWithALineNumber) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"nothing here\n", "no group &GRP", 0},
      {"&GRP k=1\n", "no closing \"/\"", 2},
      {"&GRP\n k=1\n S='open /\n", "no closing apostrophe", 3},
      {"&GRP k 1 /", "expected \"=\" after K", 1},
      {"&GRP k=1.2.3 /", "\"1.2.3\" is not a value", 1},
      {"&GRP x=1e999 /", "too large", 1},
      {"&GRP n=0*1 /", "repeat count 0", 1},
      {"&GRP n(0)=1 /", "subscript of N out of range", 1},
      {"&GRP\n Q=1 /", "unknown variable Q", 2},
      {"&GRP K=1.0 /", "K takes an integer, not a real", 1},
      {"&GRP N=7*0 /", "7 values for N, which has room for 6", 1},
      {"&GRP N(5)=1,2,3 /", "3 values for N, which has room for 2", 1},
      {"&GRP N(7)=1 /", "subscript 7 of N beyond its 6 elements", 1},
      {"&GRP K=2147483648 /", "integer value of K out of range", 1},
      // Guards against echoing a runaway token whole: it is cut.
      {"&GRP k=1234567890123456789012345678901234567890x /",
       "\"12345678901234567890123456789012...\" is not a value", 1},
  };
  for (const auto& [text, problem_part, line] : cases) {
    Vars v;
    try {
      v.read(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const NamelistError& e) {
      EXPECT_NE(e.problem().find(problem_part), std::string::npos) << e.what();
      EXPECT_EQ(e.line(), line) << e.what();
    }
  }
}

}  // namespace
}  // namespace velk::forecast
