#pragma once
// The simplex tableau under the constraint solver (internal to it; the layout uses cassowary_solver.h).
//
// Every unknown is a symbol: an external one per layout variable (unrestricted), a slack per inequality, an
// error per side of a non-required constraint (slacks and errors are never negative) and a dummy per
// required equality (always zero). The tableau holds one row per basic symbol,
//   basic = constant + Σ coefficient × parametric symbol,
// Parametric symbols are zero, so a basic symbol's value is its row's constant; the tableau is feasible
// when no restricted (slack, error, dummy) basic symbol is negative. The objective, the strength-weighted
// sum of the errors, is kept in the same form over the parametric symbols.
//
// Besides the rows, every parametric symbol keeps its column: the rows it appears in and where its cell
// sits in each. Substituting a symbol then touches only the rows that hold it, so adding thousands of
// constraints and re-solving for a new window size cost in proportion to the rows that really change. The
// objective, which holds thousands of symbols in a large layout, is kept as one coefficient per symbol, so
// that substituting into it costs the substituted row's length, not its own.
//
// Pivot rules are Bland's (the lowest-numbered candidate enters, ties of the ratio tests go to the
// lowest-numbered row), in the primal and in the dual simplex alike, so neither can cycle; every
// optimisation also has a pivot budget as a last guard against floating-point trouble.
//
// Threads: owned by one Solver, used by one thread at a time.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>
#include <string>
#include <utility>
#include <vector>

namespace cassowary::detail {

using SymbolId = uint32_t;
inline constexpr SymbolId kNoSymbol = 0xffffffffu;

enum class SymbolKind : uint8_t {
  kExternal,   // a layout variable: any value
  kSlack,      // turns an inequality into an equality: never negative
  kError,      // how far a non-required constraint is from holding: never negative, weighted in the objective
  kDummy,      // marks a required equality: zero, never chosen to enter the basis
  kObjective,  // the basic symbol of a temporary objective row (an artificial variable's); in no row
};

// Numbers below this count as zero: a constraint's coefficients as given, and values (the constant that
// decides whether a required constraint holds, a row's distance below zero).
inline constexpr double kEpsilon = 1e-8;
// Coefficients that arise in the tableau are zero when a sum cancels down to this share of its terms (the
// rest is rounding). A product of two coefficients is kept however small: it carries real weight (a
// variable scaled by 1e12 in one constraint gives coefficients of 1e-12 in the others).
inline constexpr double kCancellation = 1e-11;
// Objective coefficients are sums of strengths up to 1e9 and carry rounding noise of about 1e-7.
inline constexpr double kObjectiveEpsilon = 1e-7;
// An objective coefficient counts as negative only beyond this share of the largest strength in use.
inline constexpr double kObjectiveRelativeEpsilon = 1e-14;
// A pivot element must reach this share of its row's largest coefficient (the basic symbol's own 1
// included): dividing by less turns rounding noise into large values.
inline constexpr double kPivotTolerance = 1e-6;
// A restricted row that the dual simplex cannot lift and that is negative by no more than this is
// rounding noise in a degenerate corner (a sound tableau has no such row at all); it is set to zero.
inline constexpr double kNoiseTolerance = 1e-5;

inline bool nearZero(double value, double epsilon = kEpsilon) {
  return value < epsilon && value > -epsilon;
}

// Whether a + b is rounding noise around zero.
inline bool cancels(double a, double b) {
  const double sum = a + b;
  return sum == 0.0 || std::abs(sum) <= kCancellation * (std::abs(a) + std::abs(b));
}

struct Cell {
  SymbolId symbol;
  uint32_t slot;  // where this row sits in the symbol's column (meaningless outside the tableau)
  double coefficient;
};

// One row a parametric symbol appears in: the row's basic symbol and where the symbol's cell last sat in
// it (a hint, checked before use: merges move cells and do not update every hint, which would cost a
// random write per cell moved).
struct ColumnEntry {
  SymbolId row;
  uint32_t hint;
};

// constant + Σ cells, cells sorted by symbol, at most one cell per symbol.
struct Row {
  double constant = 0.0;
  std::vector<Cell> cells;

  const Cell* find(SymbolId symbol) const;
  double coefficientOf(SymbolId symbol) const;
};

// A row from cells in any order: sorted, repeated symbols added up, cancelled ones left out.
Row makeRow(double constant, std::vector<Cell> cells);

class Tableau {
 public:
  Tableau();

  // Forgets every symbol and row (the objective starts again empty).
  void clear();

  // A new symbol, parametric and in no row.
  SymbolId newSymbol(SymbolKind kind);
  // Gives a symbol's number back; it must be parametric and in no row.
  void releaseSymbol(SymbolId symbol);

  SymbolKind kind(SymbolId symbol) const { return symbols_[symbol].kind; }
  bool isBasic(SymbolId symbol) const { return symbols_[symbol].basic; }
  // Slack, error and dummy symbols: never negative.
  bool isRestricted(SymbolId symbol) const;
  const Row& row(SymbolId basic) const { return symbols_[basic].row; }
  // The rows a parametric symbol appears in.
  const std::vector<ColumnEntry>& column(SymbolId symbol) const { return symbols_[symbol].column; }
  // The symbol's coefficient in the row of one of its column entries.
  double coefficientAt(const ColumnEntry& entry, SymbolId symbol) const;
  // The current value: the row's constant for a basic symbol, zero for a parametric one.
  double value(SymbolId symbol) const;

  // Makes a parametric symbol that appears in no row basic with the given row (which must not hold it nor
  // any basic symbol). The caller substitutes it into the other rows when it appeared there before.
  void insertRow(SymbolId basic, Row row);
  // Takes a basic symbol's row out of the tableau; the symbol becomes parametric.
  Row removeRow(SymbolId basic);
  // Replaces the (now basic) symbol in every row that holds it, and in the objective, by its row.
  void substitute(SymbolId basic);
  // Exchanges a basic symbol with a parametric one of its row and substitutes the new row everywhere.
  void pivot(SymbolId leaving, SymbolId entering);

  // The objective: += coefficient × symbol (a parametric one), += factor × row.
  void addToObjective(SymbolId symbol, double coefficient);
  // A strength the objective weighs errors with (the largest one scales the objective's rounding noise).
  void noteStrength(double strength) { largestStrength_ = std::max(largestStrength_, strength); }
  void addRowToObjective(const Row& row, double factor);
  double objectiveCoefficient(SymbolId symbol) const { return objective_[symbol]; }

  // A row's constant += delta.
  void addConstant(SymbolId basic, double delta);
  // Replaces the parametric symbol s by s + delta: every row holding it moves by coefficient × delta.
  void shiftParametric(SymbolId symbol, double delta);
  // Drops a parametric symbol from every row and the objective (it is zero from now on).
  void eraseSymbol(SymbolId symbol);

  // Primal simplex on the objective (or on a temporary objective row) from a feasible tableau; false
  // when it stopped early (out of budget, which a sound tableau never is).
  bool optimize();
  bool optimize(SymbolId goal);
  // Dual simplex: makes infeasible rows feasible again while keeping the objective optimal.
  void dualOptimize();
  // Feasible and optimal again after rows were added or removed: the dual simplex for rows that went
  // negative, the primal simplex for the objective, then the dual simplex for what the pivot tolerance
  // may have left a hair below zero.
  void solve();

  // Records every row (and objective coefficient) as it was before its first change from now on, so that
  // a trial (an artificial variable's phase) can be taken back exactly, down to the last bit.
  void beginTrial();
  // Keeps the changes made since beginTrial(), or restores everything changed since then.
  void endTrial(bool keep);

  // A listing of the objective and the rows; names gives the text of a symbol.
  std::string dump(const std::function<std::string(SymbolId)>& name) const;
  // What breaks the tableau's invariants (empty when they hold): rows sorted and free of basic symbols,
  // columns matching the rows, the objective free of basic symbols, feasibility.
  std::string check() const;

 private:
  struct SymbolRecord {
    SymbolKind kind = SymbolKind::kExternal;
    bool basic = false;
    bool live = false;
    Row row;                          // when basic
    std::vector<ColumnEntry> column;  // when parametric
  };

  struct SavedRow {
    SymbolId symbol;
    bool basic;
    Row row;
  };

  // Saves a row before it changes during a trial.
  void touch(SymbolId basic) {
    if (trial_ && saved_[basic] != trialNumber_) save(basic);
  }
  void save(SymbolId basic);
  // Sets an objective coefficient (recording the old one during a trial, noting a new candidate for
  // entering the basis).
  void setObjective(SymbolId symbol, double coefficient);
  // The symbol's cell in the row of one of its column entries (the entry's hint is brought up to date).
  Cell& cellAt(ColumnEntry& entry, SymbolId symbol);
  // Adds a row to a symbol's column (the symbol's cell at the given place in it); returns the slot.
  uint32_t attach(SymbolId symbol, SymbolId basic, uint32_t cell);
  void detach(SymbolId symbol, uint32_t slot);
  // basic's row += factor × other, leaving out the cell of skip (whose column the caller clears).
  void merge(SymbolId basic, const Row& other, double factor, SymbolId skip);
  void noteIfInfeasible(SymbolId basic);
  // The lowest-numbered symbol whose increase lowers the objective, or kNoSymbol.
  SymbolId enteringSymbol();
  // The restricted row that reaches zero first as the entering symbol grows, or kNoSymbol.
  SymbolId leavingRow(SymbolId entering) const;
  static double pivotThreshold(const Row& row);
  size_t pivotBudget() const;

  std::vector<SymbolRecord> symbols_;
  std::vector<SymbolId> free_;
  // The objective: a coefficient per symbol (zero for basic ones) and its constant; the largest strength
  // used since the last clear() scales what counts as a negative coefficient.
  std::vector<double> objective_;
  double objectiveConstant_ = 0.0;
  double largestStrength_ = 1.0;
  // Symbols whose objective coefficient went negative (some may no longer be): the primal simplex takes
  // the lowest valid one.
  std::priority_queue<SymbolId, std::vector<SymbolId>, std::greater<SymbolId>> negative_;
  // Restricted basic symbols that may have gone negative; the dual simplex takes the lowest first.
  std::priority_queue<SymbolId, std::vector<SymbolId>, std::greater<SymbolId>> infeasible_;
  // The trial in progress: rows and objective coefficients as they were, and per symbol the trial that
  // saved its row.
  bool trial_ = false;
  uint32_t trialNumber_ = 0;
  std::vector<uint32_t> saved_;
  std::vector<SavedRow> trialRows_;
  std::vector<std::pair<SymbolId, double>> trialObjective_;
  double trialObjectiveConstant_ = 0.0;
  // Scratch space, kept to avoid allocating on every operation.
  std::vector<Cell> merged_;
  std::vector<ColumnEntry> work_;
};

}  // namespace cassowary::detail
