#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CoreTestFixture.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/LineScan.h"
#include "platform/automation/NumberText.h"

namespace rc::testing {
namespace {

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

TEST_F(CoreTest, CompareFilesAgreesWithAPlainSplitOfEveryLine) {
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

}  // namespace
}  // namespace rc::testing
