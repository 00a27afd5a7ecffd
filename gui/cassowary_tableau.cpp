#include "gui/cassowary_tableau.h"

#include <algorithm>
#include <limits>
#include <sstream>

namespace cassowary::detail {

namespace {

bool bySymbol(const Cell& cell, SymbolId symbol) {
  return cell.symbol < symbol;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Row

const Cell* Row::find(SymbolId symbol) const {
  auto it = std::lower_bound(cells.begin(), cells.end(), symbol, bySymbol);
  return it != cells.end() && it->symbol == symbol ? &*it : nullptr;
}

double Row::coefficientOf(SymbolId symbol) const {
  const Cell* cell = find(symbol);
  return cell ? cell->coefficient : 0.0;
}

Row makeRow(double constant, std::vector<Cell> cells) {
  std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.symbol < b.symbol; });
  Row row;
  row.constant = constant;
  row.cells.reserve(cells.size());
  for (size_t i = 0; i < cells.size();) {
    double sum = 0.0;
    double magnitude = 0.0;
    const SymbolId symbol = cells[i].symbol;
    for (; i < cells.size() && cells[i].symbol == symbol; ++i) {
      sum += cells[i].coefficient;
      magnitude += std::abs(cells[i].coefficient);
    }
    if (std::abs(sum) > kCancellation * magnitude) row.cells.push_back({symbol, 0, sum});
  }
  return row;
}

// ---------------------------------------------------------------------------------------------------------
// Symbols

Tableau::Tableau() {
  clear();
}

void Tableau::clear() {
  symbols_.clear();
  free_.clear();
  objective_.clear();
  objectiveConstant_ = 0.0;
  largestStrength_ = 1.0;
  negative_ = {};
  infeasible_ = {};
  trial_ = false;
  saved_.clear();
  trialRows_.clear();
  trialObjective_.clear();
}

SymbolId Tableau::newSymbol(SymbolKind kind) {
  SymbolId symbol;
  if (!free_.empty()) {
    symbol = free_.back();
    free_.pop_back();
  } else {
    symbol = static_cast<SymbolId>(symbols_.size());
    symbols_.emplace_back();
    objective_.push_back(0.0);
    saved_.push_back(0);
  }
  SymbolRecord& record = symbols_[symbol];
  record.kind = kind;
  record.basic = false;
  record.live = true;
  record.row = Row();
  record.column.clear();
  return symbol;
}

void Tableau::releaseSymbol(SymbolId symbol) {
  SymbolRecord& record = symbols_[symbol];
  if (!record.live || record.basic || !record.column.empty()) return;
  record.live = false;
  record.column.shrink_to_fit();
  objective_[symbol] = 0.0;
  free_.push_back(symbol);
}

bool Tableau::isRestricted(SymbolId symbol) const {
  const SymbolKind kind = symbols_[symbol].kind;
  return kind == SymbolKind::kSlack || kind == SymbolKind::kError || kind == SymbolKind::kDummy;
}

double Tableau::value(SymbolId symbol) const {
  const SymbolRecord& record = symbols_[symbol];
  return record.basic ? record.row.constant : 0.0;
}

// ---------------------------------------------------------------------------------------------------------
// Columns

uint32_t Tableau::attach(SymbolId symbol, SymbolId basic, uint32_t cell) {
  std::vector<ColumnEntry>& column = symbols_[symbol].column;
  column.push_back({basic, cell});
  return static_cast<uint32_t>(column.size() - 1);
}

Cell& Tableau::cellAt(ColumnEntry& entry, SymbolId symbol) {
  std::vector<Cell>& cells = symbols_[entry.row].row.cells;
  if (entry.hint < cells.size() && cells[entry.hint].symbol == symbol) return cells[entry.hint];
  auto it = std::lower_bound(cells.begin(), cells.end(), symbol, bySymbol);
  entry.hint = static_cast<uint32_t>(it - cells.begin());
  return *it;
}

double Tableau::coefficientAt(const ColumnEntry& entry, SymbolId symbol) const {
  const std::vector<Cell>& cells = symbols_[entry.row].row.cells;
  if (entry.hint < cells.size() && cells[entry.hint].symbol == symbol) return cells[entry.hint].coefficient;
  return symbols_[entry.row].row.coefficientOf(symbol);
}

void Tableau::detach(SymbolId symbol, uint32_t slot) {
  std::vector<ColumnEntry>& column = symbols_[symbol].column;
  ColumnEntry moved = column.back();
  column.pop_back();
  if (slot < column.size()) {
    cellAt(moved, symbol).slot = slot;
    column[slot] = moved;
  }
}

// ---------------------------------------------------------------------------------------------------------
// Rows

void Tableau::insertRow(SymbolId basic, Row row) {
  touch(basic);
  for (size_t i = 0; i < row.cells.size(); ++i) {
    row.cells[i].slot = attach(row.cells[i].symbol, basic, static_cast<uint32_t>(i));
  }
  SymbolRecord& record = symbols_[basic];
  record.row = std::move(row);
  record.basic = true;
}

Row Tableau::removeRow(SymbolId basic) {
  touch(basic);
  SymbolRecord& record = symbols_[basic];
  Row row = std::move(record.row);
  record.row = Row();
  record.basic = false;
  for (const Cell& cell : row.cells) detach(cell.symbol, cell.slot);
  return row;
}

void Tableau::merge(SymbolId basic, const Row& other, double factor, SymbolId skip) {
  touch(basic);
  Row& row = symbols_[basic].row;
  row.constant += factor * other.constant;
  merged_.clear();
  merged_.reserve(row.cells.size() + other.cells.size());
  auto a = row.cells.begin();
  const auto aEnd = row.cells.end();
  auto b = other.cells.begin();
  const auto bEnd = other.cells.end();
  while (a != aEnd || b != bEnd) {
    if (b == bEnd || (a != aEnd && a->symbol < b->symbol)) {
      // A kept cell moves within the row, its column entry's hint is left to go stale.
      if (a->symbol != skip) merged_.push_back(*a);
      ++a;
    } else if (a == aEnd || b->symbol < a->symbol) {
      const double coefficient = factor * b->coefficient;
      if (coefficient != 0.0) {
        const uint32_t at = static_cast<uint32_t>(merged_.size());
        merged_.push_back({b->symbol, attach(b->symbol, basic, at), coefficient});
      }
      ++b;
    } else {
      const double added = factor * b->coefficient;
      if (cancels(a->coefficient, added)) {
        detach(a->symbol, a->slot);
      } else {
        merged_.push_back({a->symbol, a->slot, a->coefficient + added});
      }
      ++a;
      ++b;
    }
  }
  row.cells.swap(merged_);
}

void Tableau::noteIfInfeasible(SymbolId basic) {
  if (isRestricted(basic) && symbols_[basic].row.constant < -kEpsilon) infeasible_.push(basic);
}

void Tableau::substitute(SymbolId basic) {
  const Row& replacement = symbols_[basic].row;
  work_.swap(symbols_[basic].column);
  symbols_[basic].column.clear();
  // The merge leaves the symbol's cell out of each target row; the column was emptied above.
  for (ColumnEntry& target : work_) {
    const double coefficient = cellAt(target, basic).coefficient;
    merge(target.row, replacement, coefficient, basic);
    noteIfInfeasible(target.row);
  }
  work_.clear();
  const double weight = objective_[basic];
  if (weight != 0.0) {
    setObjective(basic, 0.0);
    addRowToObjective(replacement, weight);
  }
}

void Tableau::pivot(SymbolId leaving, SymbolId entering) {
  touch(leaving);
  touch(entering);
  Row row = std::move(symbols_[leaving].row);
  symbols_[leaving].row = Row();
  symbols_[leaving].basic = false;
  // Solve leaving = c + a·entering + Σ for entering: entering = -c/a + leaving/a - Σ/a.
  const Cell* pivotCell = row.find(entering);
  const double a = pivotCell->coefficient;
  detach(entering, pivotCell->slot);
  const double factor = -1.0 / a;
  row.constant *= factor;
  merged_.clear();
  merged_.reserve(row.cells.size() + 1);
  bool placed = false;
  for (const Cell& cell : row.cells) {
    if (!placed && leaving < cell.symbol) {
      merged_.push_back({leaving, 0, 1.0 / a});
      placed = true;
    }
    if (cell.symbol != entering) merged_.push_back({cell.symbol, cell.slot, cell.coefficient * factor});
  }
  if (!placed) merged_.push_back({leaving, 0, 1.0 / a});
  row.cells.swap(merged_);
  // The row now belongs to the entering symbol: every column entry points there, at the new places.
  for (size_t i = 0; i < row.cells.size(); ++i) {
    Cell& cell = row.cells[i];
    if (cell.symbol == leaving) {
      cell.slot = attach(leaving, entering, static_cast<uint32_t>(i));
    } else {
      symbols_[cell.symbol].column[cell.slot] = {entering, static_cast<uint32_t>(i)};
    }
  }
  symbols_[entering].row = std::move(row);
  symbols_[entering].basic = true;
  substitute(entering);
  noteIfInfeasible(entering);
}

void Tableau::addConstant(SymbolId basic, double delta) {
  touch(basic);
  symbols_[basic].row.constant += delta;
  noteIfInfeasible(basic);
}

void Tableau::shiftParametric(SymbolId symbol, double delta) {
  for (ColumnEntry& target : symbols_[symbol].column) {
    touch(target.row);
    symbols_[target.row].row.constant += cellAt(target, symbol).coefficient * delta;
    noteIfInfeasible(target.row);
  }
  objectiveConstant_ += objective_[symbol] * delta;
}

void Tableau::eraseSymbol(SymbolId symbol) {
  work_.swap(symbols_[symbol].column);
  symbols_[symbol].column.clear();
  for (ColumnEntry& target : work_) {
    touch(target.row);
    std::vector<Cell>& cells = symbols_[target.row].row.cells;
    cells.erase(cells.begin() + (&cellAt(target, symbol) - cells.data()));
  }
  work_.clear();
  if (objective_[symbol] != 0.0) setObjective(symbol, 0.0);
}

// ---------------------------------------------------------------------------------------------------------
// Objective

void Tableau::setObjective(SymbolId symbol, double coefficient) {
  if (trial_) trialObjective_.emplace_back(symbol, objective_[symbol]);
  objective_[symbol] = coefficient;
  if (coefficient < 0.0) negative_.push(symbol);
}

void Tableau::addToObjective(SymbolId symbol, double coefficient) {
  const double sum = objective_[symbol] + coefficient;
  setObjective(symbol, nearZero(sum, kObjectiveEpsilon) ? 0.0 : sum);
}

void Tableau::addRowToObjective(const Row& row, double factor) {
  objectiveConstant_ += factor * row.constant;
  for (const Cell& cell : row.cells) addToObjective(cell.symbol, factor * cell.coefficient);
}

// ---------------------------------------------------------------------------------------------------------
// Trials

void Tableau::save(SymbolId basic) {
  saved_[basic] = trialNumber_;
  const SymbolRecord& record = symbols_[basic];
  trialRows_.push_back({basic, record.basic, record.basic ? record.row : Row()});
}

void Tableau::beginTrial() {
  trial_ = true;
  // A fresh number marks nothing as saved yet; when the counter wraps, clear the marks once.
  if (++trialNumber_ == 0) {
    std::fill(saved_.begin(), saved_.end(), 0);
    trialNumber_ = 1;
  }
  trialRows_.clear();
  trialObjective_.clear();
  trialObjectiveConstant_ = objectiveConstant_;
}

void Tableau::endTrial(bool keep) {
  trial_ = false;
  if (!keep) {
    // Take out every row the trial touched as it is now, then put back the rows as they were (their
    // cells get new slots in the columns); objective coefficients go back in reverse order of change.
    for (const SavedRow& saved : trialRows_) {
      if (symbols_[saved.symbol].basic) removeRow(saved.symbol);
    }
    for (SavedRow& saved : trialRows_) {
      if (saved.basic) insertRow(saved.symbol, std::move(saved.row));
    }
    for (auto it = trialObjective_.rbegin(); it != trialObjective_.rend(); ++it) {
      objective_[it->first] = it->second;
      if (it->second < 0.0) negative_.push(it->first);
    }
    objectiveConstant_ = trialObjectiveConstant_;
    infeasible_ = {};
  }
  trialRows_.clear();
  trialObjective_.clear();
}

// ---------------------------------------------------------------------------------------------------------
// Optimisation

double Tableau::pivotThreshold(const Row& row) {
  double largest = 1.0;
  for (const Cell& cell : row.cells) largest = std::max(largest, std::abs(cell.coefficient));
  return kPivotTolerance * largest;
}

size_t Tableau::pivotBudget() const {
  // Far above what Bland's rule needs on layouts (a handful of pivots per change); it only stops a run that
  // rounding has broken.
  return 64 * symbols_.size() + 4096;
}

SymbolId Tableau::enteringSymbol() {
  // Coefficients mix strengths up to 1e9 with weights of 1, so what counts as negative is relative to
  // the largest strength. Stale candidates (no longer negative, basic, or gone) are dropped on the way.
  const double threshold = -std::max(kObjectiveEpsilon, largestStrength_ * kObjectiveRelativeEpsilon);
  while (!negative_.empty()) {
    const SymbolId symbol = negative_.top();
    const SymbolRecord& record = symbols_[symbol];
    if (record.live && !record.basic && record.kind != SymbolKind::kDummy && objective_[symbol] < threshold) {
      return symbol;
    }
    negative_.pop();
  }
  return kNoSymbol;
}

SymbolId Tableau::leavingRow(SymbolId entering) const {
  // Ties go to the lowest-numbered row.
  SymbolId leaving = kNoSymbol;
  double best = std::numeric_limits<double>::infinity();
  for (const ColumnEntry& entry : symbols_[entering].column) {
    const SymbolId candidate = entry.row;
    if (!isRestricted(candidate)) continue;
    const Row& row = symbols_[candidate].row;
    const double coefficient = coefficientAt(entry, entering);
    if (coefficient >= -pivotThreshold(row)) continue;
    const double ratio = std::max(0.0, row.constant) / -coefficient;
    if (ratio < best || (ratio == best && candidate < leaving)) {
      best = ratio;
      leaving = candidate;
    }
  }
  return leaving;
}

bool Tableau::optimize() {
  size_t budget = pivotBudget();
  for (;;) {
    const SymbolId entering = enteringSymbol();
    if (entering == kNoSymbol) return true;
    const SymbolId leaving = leavingRow(entering);
    if (leaving == kNoSymbol) {
      // Nothing bounds the entering symbol, so the objective (a weighted sum of values that are never
      // negative) would fall without end: impossible, the coefficient is rounding noise. Drop it.
      setObjective(entering, 0.0);
      continue;
    }
    if (budget-- == 0) return false;
    pivot(leaving, entering);
  }
}

bool Tableau::optimize(SymbolId goal) {
  size_t budget = pivotBudget();
  for (;;) {
    // The goal row is short-lived and small: scanned for the lowest-numbered negative coefficient.
    SymbolId entering = kNoSymbol;
    for (const Cell& cell : symbols_[goal].row.cells) {
      if (cell.coefficient < -kObjectiveEpsilon && symbols_[cell.symbol].kind != SymbolKind::kDummy) {
        entering = cell.symbol;
        break;
      }
    }
    if (entering == kNoSymbol) return true;
    const SymbolId leaving = leavingRow(entering);
    if (leaving == kNoSymbol) {
      // As above: the goal is never negative, so an unbounded direction is rounding noise.
      const Cell* cell = symbols_[goal].row.find(entering);
      Row noise;
      noise.cells.push_back({entering, 0, cell->coefficient});
      merge(goal, noise, -1.0, kNoSymbol);
      continue;
    }
    if (budget-- == 0) return false;
    pivot(leaving, entering);
  }
}

void Tableau::dualOptimize() {
  size_t budget = pivotBudget();
  while (!infeasible_.empty()) {
    const SymbolId leaving = infeasible_.top();
    infeasible_.pop();
    if (leaving >= symbols_.size() || !symbols_[leaving].basic || !isRestricted(leaving)) continue;
    const Row& row = symbols_[leaving].row;
    if (row.constant >= -kEpsilon) continue;
    // Entering: the symbol whose increase lifts this row with the least loss of optimality; ties to the
    // lowest-numbered symbol (cells are sorted, and only a strictly better ratio replaces the best).
    SymbolId entering = kNoSymbol;
    double best = std::numeric_limits<double>::infinity();
    const double threshold = pivotThreshold(row);
    for (const Cell& cell : row.cells) {
      if (cell.coefficient <= threshold || symbols_[cell.symbol].kind == SymbolKind::kDummy) continue;
      const double ratio = std::max(0.0, objective_[cell.symbol]) / cell.coefficient;
      if (ratio < best) {
        best = ratio;
        entering = cell.symbol;
      }
    }
    if (entering == kNoSymbol) {
      // No symbol can lift the row: only contradicting required constraints do that, and those are
      // refused. What is left is rounding noise in a corner where many constraints meet.
      if (row.constant >= -kNoiseTolerance) {
        touch(leaving);
        symbols_[leaving].row.constant = 0.0;
      }
      continue;
    }
    if (budget-- == 0) {
      infeasible_ = {};
      return;
    }
    pivot(leaving, entering);
  }
}

void Tableau::solve() {
  dualOptimize();
  optimize();
  dualOptimize();
}

// ---------------------------------------------------------------------------------------------------------
// Diagnostics

std::string Tableau::dump(const std::function<std::string(SymbolId)>& name) const {
  std::ostringstream out;
  auto writeTerm = [&](double coefficient, SymbolId symbol) {
    out << (coefficient < 0 ? " - " : " + ") << std::abs(coefficient) << " * " << name(symbol);
  };
  out << "Objective\n---------\n" << objectiveConstant_;
  for (SymbolId symbol = 0; symbol < symbols_.size(); ++symbol) {
    if (objective_[symbol] != 0.0) writeTerm(objective_[symbol], symbol);
  }
  out << "\n\nTableau\n-------\n";
  for (SymbolId symbol = 0; symbol < symbols_.size(); ++symbol) {
    const SymbolRecord& record = symbols_[symbol];
    if (!record.live || !record.basic || record.kind == SymbolKind::kObjective) continue;
    out << name(symbol) << " = " << record.row.constant;
    for (const Cell& cell : record.row.cells) writeTerm(cell.coefficient, cell.symbol);
    out << '\n';
  }
  return out.str();
}

std::string Tableau::check() const {
  std::ostringstream problems;
  size_t cells = 0;
  size_t columnEntries = 0;
  // Rounding grows with the size of the numbers involved.
  double largest = 1.0;
  for (const SymbolRecord& record : symbols_) {
    if (record.live && record.basic) largest = std::max(largest, std::abs(record.row.constant));
  }
  for (SymbolId symbol = 0; symbol < symbols_.size(); ++symbol) {
    const SymbolRecord& record = symbols_[symbol];
    if (objective_[symbol] != 0.0 && (!record.live || record.basic)) {
      problems << "the objective holds symbol " << symbol << " that cannot be parametric\n";
    }
    if (!record.live) {
      if (record.basic || !record.column.empty()) problems << "released symbol " << symbol << " still used\n";
      continue;
    }
    columnEntries += record.column.size();
    if (record.basic && !record.column.empty()) problems << "basic symbol " << symbol << " has a column\n";
    for (size_t slot = 0; slot < record.column.size(); ++slot) {
      const ColumnEntry& entry = record.column[slot];
      const Cell* cell = entry.row < symbols_.size() ? symbols_[entry.row].row.find(symbol) : nullptr;
      if (!cell || cell->slot != slot)
        problems << "column of " << symbol << " lists row " << entry.row << " wrongly\n";
    }
    if (!record.basic) continue;
    const Row& row = record.row;
    cells += row.cells.size();
    for (size_t i = 0; i < row.cells.size(); ++i) {
      const Cell& cell = row.cells[i];
      if (i > 0 && row.cells[i - 1].symbol >= cell.symbol) problems << "row " << symbol << " is not sorted\n";
      if (cell.symbol >= symbols_.size() || !symbols_[cell.symbol].live || symbols_[cell.symbol].basic ||
          symbols_[cell.symbol].kind == SymbolKind::kObjective) {
        problems << "row " << symbol << " holds symbol " << cell.symbol << " that cannot be parametric\n";
      }
      if (!std::isfinite(cell.coefficient))
        problems << "row " << symbol << " has a coefficient that is no number\n";
    }
    if (record.kind == SymbolKind::kDummy) {
      // A basic dummy stands for redundant required equalities: its row holds only dummies, so it is zero.
      for (const Cell& cell : row.cells) {
        if (symbols_[cell.symbol].kind != SymbolKind::kDummy) {
          problems << "dummy row " << symbol << " holds the symbol " << cell.symbol << " that can move\n";
          break;
        }
      }
      if (!nearZero(row.constant, kNoiseTolerance * largest))
        problems << "dummy row " << symbol << " is not zero\n";
    }
    if (isRestricted(symbol) && row.constant < -kNoiseTolerance * largest) {
      problems << "row " << symbol << " is infeasible (" << row.constant << ")\n";
    }
  }
  if (cells != columnEntries) problems << cells << " cells but " << columnEntries << " column entries\n";
  return problems.str();
}

}  // namespace cassowary::detail
