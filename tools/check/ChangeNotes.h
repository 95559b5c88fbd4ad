// The notes of rows whose checks report many numbers: which quantity moved
// most, old -> new with its percentage, and every other one beyond the
// tolerance, so that a person can act on the row alone.
#pragma once

#include <string>
#include <vector>

namespace rc::tools {

struct CheckRow;

// One quantity the library's mass-properties comparison journals
// ("'*** 06,Mass,1.56...,1.872...,20.0000000%,Failure").
struct QuantityChange {
  std::string name;
  double baseline = 0;
  double fresh = 0;
  bool beyond = false;  // marked "Failure": beyond the tolerance
  double percent() const;  // signed, of the baseline (of 1 when it is 0)
};

// The quantities of a mass-properties warning block among `journal`.
std::vector<QuantityChange> massQuantities(const std::vector<std::string>& journal);

// "Mass 1.56 → 1.872 (+20.0 %)".
std::string quantityText(const QuantityChange& q);

// Completes a mass-properties row from the quantities beyond the tolerance:
// NEW/BASELINE of the one that moved most, the note "Mass 1.56 → 1.872
// (+20.0 %) in Default; beyond the tolerance: Mass ..., Mom_XX ...". Leaves
// the row as it is when none is beyond it.
void describeMassChange(const std::vector<QuantityChange>& quantities, const std::string& configuration, CheckRow& row);

// Groups the warnings of one document that one change explains: when
// TestMassProp warned, a data-file row whose changed lines are all mass
// quantities gets "same change as TestMassProp: " before its note, so the
// notes read as one cause (and one `baseline accept DOC` takes them all).
void groupRelatedNotes(std::vector<CheckRow>& rows);

}  // namespace rc::tools
