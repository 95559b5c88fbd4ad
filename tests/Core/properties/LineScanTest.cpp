#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/Core/CoreTestFixture.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/LineScan.h"
#include "platform/automation/NumberText.h"

namespace rc::testing {
namespace {

using CompareFilesTest = CoreTest;

using automation::Variant;

// Items in the shapes data files hold, and the shapes near them that the
// fast readings must hand on: long digit runs, signs, exponents, stray
// letters, lone dots.
std::string randomItem(std::mt19937& rng) {
  static const char* const kPieces[] = {"0", "7", "12", "305", "4096", "123456", "98765432", "1234567890123",
                                        "00000000000000000001", ".", "-", "+", "e", "E-", "e+3", "e400", "x", ",", "[1]"};
  std::string item;
  const int pieces = std::uniform_int_distribution<int>(0, 4)(rng);
  for (int i = 0; i < pieces; ++i) item += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(rng)];
  return item;
}

// The buffer a line reader would hand out: the text, then bytes that must
// not change the reading.
std::string padded(const std::string& text, char after) { return text + std::string(1, after) + "9999999999999999999999999999999999"; }

TEST(LineScan, PlainDecimalsReadExactlyAsTheGeneralReading) {
  std::mt19937 rng(20261208);
  int fast = 0;
  for (int i = 0; i < 200000; ++i) {
    const std::string item = randomItem(rng);
    for (char after : {' ', '\r', '5'}) {
      const std::string buffer = padded(item, after);
      double value = -1;
      const char* stop = core::readPlainDecimal(buffer.data(), buffer.data() + item.size(), value);
      if (stop == nullptr) continue;
      ASSERT_LE(stop, buffer.data() + item.size()) << item;
      if (stop != buffer.data() + item.size()) continue;  // the item goes on: the general reading decides
      ++fast;
      const double expected = automation::leadingNumber(item);
      ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << "'" << item << "' read " << value << ", not " << expected;
    }
  }
  EXPECT_GT(fast, 50000);  // the fast reading is the one that ran
}

TEST(LineScan, CommonPrefixAtEveryOffset) {
  const std::string a = padded("Default 12 0.25 1.5e-3 1234.000000 trailing words", ' ');
  for (std::size_t n = 0; n <= 50; ++n) {
    for (std::size_t at = 0; at <= n; ++at) {
      std::string b = a;
      if (at < n) b[at] = '#';
      ASSERT_EQ(core::commonPrefix(a.data(), b.data(), n), at) << n << " " << at;
    }
  }
}

// The comparison of two lines as a plain split at spaces would make it.
// Answers "agree", "changed" or the description of the error raised.
std::string splitRule(const std::string& base, const std::string& fresh, double percent) {
  auto split = [](const std::string& s) {
    std::vector<std::string> items;
    if (s.empty()) return items;
    std::size_t from = 0;
    for (;;) {
      std::size_t space = s.find(' ', from);
      items.push_back(s.substr(from, space == std::string::npos ? std::string::npos : space - from));
      if (space == std::string::npos) return items;
      from = space + 1;
    }
  };
  const auto b = split(base), n = split(fresh);
  core::Tolerance t{percent, percent};
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (i >= n.size()) return "Subscript out of range";
    double diff = 0;
    if (b[i] == n[i]) continue;
    try {
      if (!core::numbersAgree(automation::leadingNumber(b[i]), automation::leadingNumber(n[i]), t, diff)) return "changed";
    } catch (const automation::AutomationError& e) {
      return e.description();
    }
  }
  return "agree";
}

TEST_F(CompareFilesTest, CompareFilesAgreesWithAPlainSplitOfEveryLine) {
  std::mt19937 rng(7);
  auto line = [&] {
    std::string s;
    const int items = std::uniform_int_distribution<int>(0, 5)(rng);
    for (int i = 0; i < items; ++i) s += (i ? " " : "") + randomItem(rng);
    return s;
  };
  for (int i = 0; i < 1500; ++i) {
    const std::string base = line();
    std::string fresh = base;
    // Mostly small edits of the baseline line, so the lines share prefixes.
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
      case 0: fresh = line(); break;
      case 1: if (!fresh.empty()) fresh[std::uniform_int_distribution<std::size_t>(0, fresh.size() - 1)(rng)] = "0123456789 .-e"[i % 14]; break;
      case 2: fresh += " " + randomItem(rng); break;
      default: fresh = fresh.substr(0, fresh.size() / 2); break;
    }
    platform::writeFile(path("b.txt"), base + "\r\n");
    platform::writeFile(path("n.txt"), fresh + "\r\n");
    std::string msg;
    const bool agree = core::CompareFiles(path("b.txt"), path("n.txt"), Variant("5"), msg);
    const std::string expected = splitRule(base, fresh, 5);
    const std::string got = agree ? "agree" : msg.starts_with("Line 1 has changed.") ? "changed" : msg;
    ASSERT_EQ(got, expected) << "baseline '" << base << "', new '" << fresh << "': " << msg;
  }
}

// A number near `reference`, printed with `precision` decimals as data
// files print them: off by about the tolerance's edge (`edgy`), or by much
// less.
std::string nearNumber(std::mt19937& rng, double reference, int precision, bool edgy) {
  static const double kOffsets[] = {0, 1e-9, -1e-9, 0.001, -0.001, 0.0499999, -0.0476190, 0.05, -0.05, 0.0500001, 0.5};
  const std::size_t last = edgy ? std::size(kOffsets) - 1 : 6;
  const double value = reference * (1 + kOffsets[std::uniform_int_distribution<std::size_t>(0, last)(rng)]);
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", precision, value);
  return text;
}

double randomMagnitude(std::mt19937& rng) {
  const double m = std::pow(10.0, std::uniform_int_distribution<int>(-4, 12)(rng));
  return m * std::uniform_real_distribution<double>(1, 10)(rng) * (rng() % 5 == 0 ? -1 : 1);
}

TEST(LineScan, QuickNumberRuleAnswersAsTheFullRule) {
  std::mt19937 rng(1208);
  const core::Tolerance tolerances[] = {{5, 5}, {5, 1e-9}, {0, 0}, {-1, 0}, {1e-300, 0}, {1e-12, 0}, {33.3, 2}, {1e300, 0}};
  int disagreed = 0;
  for (int i = 0; i < 300000; ++i) {
    const core::Tolerance& t = tolerances[i % std::size(tolerances)];
    const double reference = i % 97 == 0 ? 0 : randomMagnitude(rng);
    double value = reference;
    switch (i % 4) {
      // Right at the edge of the rule: the products decide within rounding.
      case 0: value = reference * (1 + t.percent / 100 * (1 + std::uniform_real_distribution<double>(-1e-12, 1e-12)(rng))); break;
      case 1: value = std::nextafter(reference * (1 - t.percent / 100), rng() % 2 ? 0.0 : 1e308); break;
      case 2: value = randomMagnitude(rng); break;
      default: value = reference * (1 + std::uniform_real_distribution<double>(-0.1, 0.1)(rng)); break;
    }
    double diff = 0;
    const bool full = core::numbersAgree(value, reference, t, diff);
    ASSERT_EQ(core::numbersAgreeFast(value, reference, t), full) << value << " against " << reference << " at " << t.percent;
    disagreed += full ? 0 : 1;
  }
  EXPECT_GT(disagreed, 1000);
  // Extremes: zeros of either sign, the largest and smallest doubles.
  const double extremes[] = {0.0, -0.0, 1e-310, -1e-310, 1e308, -1e308, 5e-324, 1, 1.05, 0.95};
  for (double v : extremes)
    for (double r : extremes)
      for (const core::Tolerance& t : tolerances) {
        double diff = 0;
        ASSERT_EQ(core::numbersAgreeFast(v, r, t), core::numbersAgree(v, r, t, diff)) << v << " " << r << " " << t.percent;
      }
}

// Decimals that share leading digits and differ after them, around the
// edge of several tolerances: numbers that share enough leading digits
// agree unread, and the rest are read.
TEST_F(CompareFilesTest, CompareFilesOfNumbersSharingLeadingDigits) {
  std::mt19937 rng(99);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const double percents[] = {5, 0.5, 33, 1e-3, 250};
  int changed = 0;
  for (int i = 0; i < 2000; ++i) {
    const double percent = percents[i % std::size(percents)];
    std::string base = pick(4) == 0 ? "-" : "";
    const int whole = pick(9), fraction = pick(3) == 0 && whole > 0 ? -1 : pick(9);
    // Mostly a first digit that is not 0; else leading zeros, as in 0.000123.
    const bool zeros = pick(3) == 0;
    for (int k = 0; k < whole; ++k) base += static_cast<char>(zeros ? '0' : k == 0 ? '1' + pick(9) : '0' + pick(10));
    if (fraction >= 0) base += '.';
    for (int k = 0; k < fraction; ++k) base += static_cast<char>(zeros && pick(3) > 0 ? '0' : '0' + pick(10));
    if (base.find_first_of("0123456789") == std::string::npos) base += '5';
    // Keep a prefix, then other digits in the same places.
    std::string fresh = base;
    for (std::size_t k = pick(static_cast<int>(base.size()) + 1); k < fresh.size(); ++k)
      if (fresh[k] != '.' && fresh[k] != '-') fresh[k] = static_cast<char>('0' + pick(10));
    if (pick(10) == 0) fresh += "5";
    platform::writeFile(path("b.txt"), "x " + base + " 1\n");
    platform::writeFile(path("n.txt"), "x " + fresh + " 1\n");
    std::string msg;
    char tolerance[32];
    std::snprintf(tolerance, sizeof tolerance, "%g", percent);
    const bool agree = core::CompareFiles(path("b.txt"), path("n.txt"), Variant(tolerance), msg);
    const std::string expected = splitRule("x " + base + " 1", "x " + fresh + " 1", percent);
    ASSERT_EQ(agree ? "agree" : "changed", expected) << base << " against " << fresh << " at " << percent << "%";
    changed += agree ? 0 : 1;
  }
  EXPECT_GT(changed, 200);
  EXPECT_LT(changed, 1800);
}

// The lines of a file as the line reader gives them: a byte-order mark
// skipped, lines ending at CR LF, LF or CR, the last one needing none.
std::vector<std::string> linesOf(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find_first_of("\r\n", from);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(from, end - from));
    from = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

// What CompareFiles answers for two file contents, worked out line by line
// with the plain split: "" when they agree, else the message.
std::string expectedComparison(const std::string& baseText, const std::string& newText, double percent) {
  const auto base = linesOf(baseText), fresh = linesOf(newText);
  if (fresh.empty()) return "blank";
  for (std::size_t i = 0;; ++i) {
    if (i >= base.size() && i >= fresh.size()) return "";
    const std::string b = i < base.size() ? base[i] : "", n = i < fresh.size() ? fresh[i] : "";
    std::string verdict = i < base.size() && i < fresh.size() ? splitRule(b, n, percent) : "changed";
    if (verdict == "agree") continue;
    if (verdict != "changed") return verdict;
    return "Line " + std::to_string(i + 1) + " has changed.\r\n<B>Baseline ></B>" + b + "\r\n<B>New ></B>" + n;
  }
}

// Random data files and edits of them, compared with CompareFiles and with
// the plain line-by-line rule: every line end, lines that cross the
// reader's blocks or are longer than a block, numbers at the tolerance's
// edge, NUL bytes, unpaired lines.
TEST_F(CompareFilesTest, CompareFilesAgreesWithAPlainRuleOverWholeFiles) {
  std::mt19937 rng(2026);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  auto lineEnd = [&] {
    static const char* const kEnds[] = {"\r\n", "\n", "\r"};
    return std::string(kEnds[pick(3)]);
  };
  int agreed = 0, changed = 0, failed = 0;
  for (int round = 0; round < 160; ++round) {
    const bool big = round % 16 == 0;
    const int lines = big ? 9000 : pick(12);
    std::string baseText = round % 7 == 0 ? "\xEF\xBB\xBF" : "", newText = round % 11 == 0 ? "\xEF\xBB\xBF" : "";
    const int changes = pick(3);  // edits beyond the tolerance's reach are rare
    for (int i = 0; i < lines; ++i) {
      std::string b, n;
      const int shape = pick(big ? 8 : 10);
      if (shape < 5) {
        // A name, counters and measurements; the new line near the baseline's.
        const int items = 1 + pick(6);
        b = n = "Default";
        for (int k = 0; k < items; ++k) {
          const double r = randomMagnitude(rng);
          const int precision = pick(9);
          char text[64];
          std::snprintf(text, sizeof text, "%.*f", precision, r);
          b += std::string(" ") + text;
          // Another precision may round far off: only where a change may be.
          const bool edgy = !big && pick(3) == 0;
          n += " " + (pick(4) == 0 ? std::string(text) : nearNumber(rng, r, edgy ? pick(9) : precision, edgy));
        }
      } else if (shape < 7) {
        b = n = std::to_string(i) + " 0.25 1.5e-3 " + std::to_string(i * 3);
      } else if (shape == 7 && (!big || pick(200) == 0)) {
        // Long enough to cross blocks, or to be longer than one.
        const int repeat = big ? 2000 + pick(80000) : 1 + pick(4000);
        for (int k = 0; k < repeat; ++k) b += std::to_string(k % 97) + ".5 ";
        n = b;
        if (pick(2) == 0) n.back() = '7';
      } else if (shape == 7 || big) {
        b = n = "Name " + std::to_string(i);
      } else {
        b = randomItem(rng) + " " + randomItem(rng);
        n = pick(2) ? b : randomItem(rng) + " " + randomItem(rng);
        if (pick(20) == 0) n += std::string(1, '\0');
      }
      if (!big && pick(25) == 0) n = b + " extra";
      if (big && i == lines / 2 && changes > 0) n += "0";  // past any tolerance
      baseText += b + lineEnd();
      newText += n + lineEnd();
    }
    // Unpaired lines and last lines without an end.
    if (pick(6) == 0) baseText += "1 2";
    if (pick(6) == 0) newText += "1 2";
    if (pick(8) == 0) newText += "3\r\n";
    if (pick(10) == 0) newText.erase(newText.size() - std::min<std::size_t>(newText.size(), 2));
    platform::writeFile(path("b.dat"), baseText);
    platform::writeFile(path("n.dat"), newText);
    std::string msg;
    const bool agree = core::CompareFiles(path("b.dat"), path("n.dat"), Variant("5"), msg);
    const std::string expected = expectedComparison(baseText, newText, 5);
    (expected.empty() ? agreed : expected.starts_with("Line ") ? changed : failed) += 1;
    ASSERT_EQ(agree, expected.empty()) << "round " << round << ": " << msg.substr(0, 300);
    if (!agree) {
      ASSERT_EQ(msg, expected) << "round " << round;
    }
  }
  // Each outcome is well represented.
  EXPECT_GT(agreed, 20);
  EXPECT_GT(changed, 20);
  EXPECT_GT(failed, 5);
}

}  // namespace
}  // namespace rc::testing
