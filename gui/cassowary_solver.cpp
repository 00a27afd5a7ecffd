// The incremental Cassowary solver: constraints become tableau rows with slack, error and dummy symbols,
// non-required constraints put their errors into one objective weighted by strength, a constraint row that
// has no symbol to solve for goes through an artificial variable, and edit variables are re-solved by the
// dual simplex when a new value is suggested.

#include "gui/cassowary_solver.h"

#include <cmath>
#include <map>
#include <sstream>
#include <unordered_map>

#include "gui/cassowary_tableau.h"

namespace cassowary {

using detail::Cell;
using detail::kNoSymbol;
using detail::nearZero;
using detail::Row;
using detail::SymbolId;
using detail::SymbolKind;

namespace {

// The symbols a constraint added: marker identifies its row when it is removed (the slack of an
// inequality, the dummy of a required equality, the positive error of a non-required equality); other is
// the second error of a non-required constraint.
struct Tag {
  SymbolId marker = kNoSymbol;
  SymbolId other = kNoSymbol;
};

struct ConstraintRecord {
  Tag tag;
  std::vector<const void*> variables;  // the variables its row was made of, one entry each
};

struct VariableRecord {
  Variable variable;
  SymbolId symbol;
  uint32_t uses;  // constraints made of it; the solver forgets the variable when none is left
};

struct EditRecord {
  Constraint constraint;
  Tag tag;
  double value;  // the last suggested value
};

bool isRequired(double strength) {
  return strength >= strength::required;
}

bool isUsable(double value) {
  return std::abs(value) <= kLargestValue;  // false for NaN and infinities too
}

}  // namespace

struct Solver::Impl {
  detail::Tableau tableau;
  std::map<Constraint, ConstraintRecord> constraints;
  std::vector<VariableRecord> variables;
  std::unordered_map<const void*, uint32_t> variableIndex;
  std::unordered_map<const void*, EditRecord> edits;

  Result add(const Constraint& constraint);
  Result remove(const Constraint& constraint);
  SymbolId symbolFor(const Variable& variable, std::vector<const void*>& created);
  void forgetVariable(const void* id);
  SymbolId chooseSubject(const Row& row, const Tag& tag) const;
  bool addWithArtificialVariable(Row row);
  void removeMarker(SymbolId marker);
  SymbolId markerLeavingRow(SymbolId marker) const;
  void releaseTag(const Tag& tag);
  // A symbol as dumps() shows it: kind letter, number, and for a variable its name from names.
  std::string symbolName(SymbolId symbol, const std::unordered_map<SymbolId, const Variable*>& names) const;
};

// ---------------------------------------------------------------------------------------------------------
// Variables

SymbolId Solver::Impl::symbolFor(const Variable& variable, std::vector<const void*>& created) {
  auto it = variableIndex.find(variable.id());
  if (it != variableIndex.end()) return variables[it->second].symbol;
  const SymbolId symbol = tableau.newSymbol(SymbolKind::kExternal);
  variableIndex.emplace(variable.id(), static_cast<uint32_t>(variables.size()));
  variables.push_back({variable, symbol, 0});
  created.push_back(variable.id());
  return symbol;
}

void Solver::Impl::forgetVariable(const void* id) {
  auto it = variableIndex.find(id);
  if (it == variableIndex.end()) return;
  const uint32_t index = it->second;
  const SymbolId symbol = variables[index].symbol;
  // With no constraint left the symbol is in no row; rounding may leave traces, which go with it.
  if (tableau.isBasic(symbol)) tableau.removeRow(symbol);
  tableau.eraseSymbol(symbol);
  tableau.releaseSymbol(symbol);
  variableIndex.erase(it);
  if (index + 1 != variables.size()) {
    variables[index] = std::move(variables.back());
    variableIndex[variables[index].variable.id()] = index;
  }
  variables.pop_back();
}

// ---------------------------------------------------------------------------------------------------------
// Adding constraints

SymbolId Solver::Impl::chooseSubject(const Row& row, const Tag& tag) const {
  // An external symbol can take any value: solve for the one in the fewest rows (a variable new to the
  // solver is in none), which keeps the substitution cheap and the rows short.
  SymbolId best = kNoSymbol;
  size_t bestRows = 0;
  for (const Cell& cell : row.cells) {
    if (tableau.kind(cell.symbol) != SymbolKind::kExternal) continue;
    const size_t rows = tableau.column(cell.symbol).size();
    if (best == kNoSymbol || rows < bestRows) {
      best = cell.symbol;
      bestRows = rows;
    }
  }
  if (best != kNoSymbol) return best;
  // A slack or error with a negative coefficient is positive when solved for (the constant is not negative).
  for (SymbolId symbol : {tag.marker, tag.other}) {
    if (symbol == kNoSymbol) continue;
    const SymbolKind kind = tableau.kind(symbol);
    if ((kind == SymbolKind::kSlack || kind == SymbolKind::kError) && row.coefficientOf(symbol) < 0.0) {
      return symbol;
    }
  }
  return kNoSymbol;
}

bool Solver::Impl::addWithArtificialVariable(Row row) {
  // The artificial symbol stands for the row's value; minimising it to zero satisfies the row. The phase
  // runs as a trial, so that a contradiction leaves every row exactly as it was.
  const SymbolId artificial = tableau.newSymbol(SymbolKind::kSlack);
  const SymbolId goal = tableau.newSymbol(SymbolKind::kObjective);
  tableau.beginTrial();
  tableau.insertRow(goal, row);
  tableau.insertRow(artificial, std::move(row));
  tableau.optimize(goal);
  const bool satisfied = nearZero(tableau.row(goal).constant);
  if (!satisfied) {
    tableau.endTrial(false);
    tableau.releaseSymbol(goal);
    tableau.releaseSymbol(artificial);
    return false;
  }
  tableau.endTrial(true);
  tableau.removeRow(goal);
  tableau.releaseSymbol(goal);

  if (tableau.isBasic(artificial)) {
    // Its value is zero: exchange it for a symbol of its row (preferably a slack or error, which may be
    // basic at zero; a dummy only when nothing else is left, the constraint then being redundant).
    const Row& artificialRow = tableau.row(artificial);
    SymbolId entering = kNoSymbol;
    for (const Cell& cell : artificialRow.cells) {
      const SymbolKind kind = tableau.kind(cell.symbol);
      if (kind == SymbolKind::kSlack || kind == SymbolKind::kError) {
        entering = cell.symbol;
        break;
      }
      if (entering == kNoSymbol) entering = cell.symbol;
    }
    if (entering == kNoSymbol) {
      tableau.removeRow(artificial);
    } else {
      tableau.pivot(artificial, entering);
    }
  }
  tableau.eraseSymbol(artificial);
  tableau.releaseSymbol(artificial);
  return true;
}

Result Solver::Impl::add(const Constraint& constraint) {
  if (constraint.isNull()) return Result::kInvalidValue;
  const Expression& expression = constraint.expression();
  const double strength = constraint.strength();
  bool usable = isUsable(expression.constant) && !std::isnan(strength);
  for (const Term& term : expression.terms) usable = usable && isUsable(term.coefficient);
  if (!usable) return Result::kInvalidValue;
  if (constraints.count(constraint)) return Result::kDuplicateConstraint;
  const bool required = isRequired(strength);

  // The constraint's row, 0 = constant + Σ coefficient × symbol, with the basic variables replaced by
  // their rows.
  std::vector<const void*> created;
  ConstraintRecord record;
  std::vector<Cell> cells;
  double constant = expression.constant;
  for (const Term& term : expression.terms) {
    if (nearZero(term.coefficient)) continue;
    const SymbolId symbol = symbolFor(term.variable, created);
    record.variables.push_back(term.variable.id());
    if (tableau.isBasic(symbol)) {
      const Row& row = tableau.row(symbol);
      constant += term.coefficient * row.constant;
      for (const Cell& cell : row.cells)
        cells.push_back({cell.symbol, 0, term.coefficient * cell.coefficient});
    } else {
      cells.push_back({symbol, 0, term.coefficient});
    }
  }
  Tag& tag = record.tag;
  switch (constraint.op()) {
    case OP_LE:
    case OP_GE: {
      // expression + slack = 0 (<=) or expression - slack = 0 (>=); the error gives the other way.
      const double sign = constraint.op() == OP_LE ? 1.0 : -1.0;
      tag.marker = tableau.newSymbol(SymbolKind::kSlack);
      cells.push_back({tag.marker, 0, sign});
      if (!required) {
        tag.other = tableau.newSymbol(SymbolKind::kError);
        cells.push_back({tag.other, 0, -sign});
      }
      break;
    }
    case OP_EQ:
    default:
      if (required) {
        tag.marker = tableau.newSymbol(SymbolKind::kDummy);
        cells.push_back({tag.marker, 0, 1.0});
      } else {
        // expression = plus - minus.
        tag.marker = tableau.newSymbol(SymbolKind::kError);
        tag.other = tableau.newSymbol(SymbolKind::kError);
        cells.push_back({tag.marker, 0, -1.0});
        cells.push_back({tag.other, 0, 1.0});
      }
      break;
  }
  Row row = detail::makeRow(constant, std::move(cells));
  if (row.constant < 0.0) {
    row.constant = -row.constant;
    for (Cell& cell : row.cells) cell.coefficient = -cell.coefficient;
  }

  SymbolId subject = chooseSubject(row, tag);
  if (subject == kNoSymbol) {
    bool allDummies = true;
    for (const Cell& cell : row.cells)
      allDummies = allDummies && tableau.kind(cell.symbol) == SymbolKind::kDummy;
    if (allDummies) {
      // Only required equalities left: the constraint follows from them or contradicts them.
      if (!nearZero(row.constant)) {
        releaseTag(tag);
        for (const void* id : created) forgetVariable(id);
        return Result::kUnsatisfiable;
      }
      subject = tag.marker;
    }
  }

  if (!required) {
    tableau.noteStrength(strength);
    for (SymbolId error : {tag.marker, tag.other}) {
      if (error != kNoSymbol && tableau.kind(error) == SymbolKind::kError) {
        tableau.addToObjective(error, strength);
      }
    }
  }

  if (subject != kNoSymbol) {
    // subject = -(constant + Σ others) / coefficient
    const double coefficient = row.coefficientOf(subject);
    const double factor = -1.0 / coefficient;
    Row solved;
    solved.constant = row.constant * factor;
    solved.cells.reserve(row.cells.size() - 1);
    for (const Cell& cell : row.cells) {
      if (cell.symbol != subject) solved.cells.push_back({cell.symbol, 0, cell.coefficient * factor});
    }
    tableau.insertRow(subject, std::move(solved));
    tableau.substitute(subject);
  } else if (!addWithArtificialVariable(std::move(row))) {
    releaseTag(tag);
    for (const void* id : created) forgetVariable(id);
    return Result::kUnsatisfiable;
  }

  for (const void* id : record.variables) ++variables[variableIndex[id]].uses;
  constraints.emplace(constraint, std::move(record));
  tableau.solve();
  return Result::kOk;
}

void Solver::Impl::releaseTag(const Tag& tag) {
  for (SymbolId symbol : {tag.marker, tag.other}) {
    if (symbol == kNoSymbol) continue;
    if (tableau.isBasic(symbol)) tableau.removeRow(symbol);
    tableau.eraseSymbol(symbol);
    tableau.releaseSymbol(symbol);
  }
}

// ---------------------------------------------------------------------------------------------------------
// Removing constraints

SymbolId Solver::Impl::markerLeavingRow(SymbolId marker) const {
  // A basic dummy's row says that required equalities are redundant: it holds only dummies, which is what
  // keeps it at zero. When the marker (then a dummy too) is in such a row, it leaves through that row, so
  // that the row's constraint takes over from the removed one; through any other row, the substitution
  // would put other symbols into the dummy's row and let its equality go.
  // Otherwise prefer a restricted row the marker would push to zero first (keeps every row feasible),
  // then any restricted row, then an external one.
  SymbolId dummy = kNoSymbol, first = kNoSymbol, second = kNoSymbol, third = kNoSymbol;
  double firstRatio = 0.0, secondRatio = 0.0;
  for (const detail::ColumnEntry& entry : tableau.column(marker)) {
    const SymbolId candidate = entry.row;
    const SymbolKind kind = tableau.kind(candidate);
    if (kind == SymbolKind::kObjective) continue;
    if (kind == SymbolKind::kDummy) {
      if (dummy == kNoSymbol || candidate < dummy) dummy = candidate;
      continue;
    }
    if (kind == SymbolKind::kExternal) {
      if (third == kNoSymbol || candidate < third) third = candidate;
      continue;
    }
    const Row& row = tableau.row(candidate);
    const double coefficient = tableau.coefficientAt(entry, marker);
    if (std::abs(coefficient) <= detail::kPivotTolerance) {
      // A pivot on rounding noise; only taken when nothing else holds the marker.
      if (third == kNoSymbol || candidate < third) third = candidate;
      continue;
    }
    if (coefficient < 0.0) {
      const double ratio = -row.constant / coefficient;
      if (first == kNoSymbol || ratio < firstRatio || (ratio == firstRatio && candidate < first)) {
        first = candidate;
        firstRatio = ratio;
      }
    } else {
      const double ratio = row.constant / coefficient;
      if (second == kNoSymbol || ratio < secondRatio || (ratio == secondRatio && candidate < second)) {
        second = candidate;
        secondRatio = ratio;
      }
    }
  }
  if (dummy != kNoSymbol) return dummy;
  return first != kNoSymbol ? first : (second != kNoSymbol ? second : third);
}

void Solver::Impl::removeMarker(SymbolId marker) {
  if (!tableau.isBasic(marker)) {
    const SymbolId leaving = markerLeavingRow(marker);
    // A marker in no row has nothing left to remove.
    if (leaving == kNoSymbol) return;
    tableau.pivot(leaving, marker);
  }
  tableau.removeRow(marker);
}

Result Solver::Impl::remove(const Constraint& constraint) {
  auto it = constraints.find(constraint);
  if (it == constraints.end()) return Result::kUnknownConstraint;
  const ConstraintRecord record = std::move(it->second);
  constraints.erase(it);
  const Tag& tag = record.tag;
  const double strength = constraint.strength();

  // Take the errors' weights out of the objective.
  if (!isRequired(strength)) {
    for (SymbolId error : {tag.marker, tag.other}) {
      if (error == kNoSymbol || tableau.kind(error) != SymbolKind::kError) continue;
      if (tableau.isBasic(error)) {
        tableau.addRowToObjective(tableau.row(error), -strength);
      } else {
        tableau.addToObjective(error, -strength);
      }
    }
  }
  removeMarker(tag.marker);
  releaseTag(tag);
  for (const void* id : record.variables) {
    auto found = variableIndex.find(id);
    if (found != variableIndex.end() && --variables[found->second].uses == 0) forgetVariable(id);
  }
  tableau.solve();
  return Result::kOk;
}

// ---------------------------------------------------------------------------------------------------------
// Diagnostics

std::string Solver::Impl::symbolName(SymbolId symbol,
                                     const std::unordered_map<SymbolId, const Variable*>& names) const {
  static const char kLetters[] = {'v', 's', 'e', 'd', 'z'};
  std::string name = kLetters[static_cast<int>(tableau.kind(symbol))] + std::to_string(symbol);
  auto it = names.find(symbol);
  if (it != names.end()) name += "[" + it->second->name() + "]";
  return name;
}

// ---------------------------------------------------------------------------------------------------------
// Solver

Solver::Solver() : impl_(std::make_unique<Impl>()) {}

Solver::~Solver() = default;

Result Solver::addConstraint(const Constraint& constraint) {
  return impl_->add(constraint);
}

Result Solver::removeConstraint(const Constraint& constraint) {
  return impl_->remove(constraint);
}

bool Solver::hasConstraint(const Constraint& constraint) const {
  return impl_->constraints.count(constraint) != 0;
}

Result Solver::addEditVariable(const Variable& variable, double strength) {
  if (std::isnan(strength)) return Result::kInvalidValue;
  if (impl_->edits.count(variable.id())) return Result::kDuplicateEditVariable;
  strength = strength::clip(strength);
  if (isRequired(strength)) return Result::kBadRequiredStrength;
  Constraint constraint(Expression(variable), OP_EQ, strength);
  const Result result = impl_->add(constraint);
  if (result != Result::kOk) return result;
  impl_->edits.emplace(variable.id(), EditRecord{constraint, impl_->constraints[constraint].tag, 0.0});
  return Result::kOk;
}

Result Solver::removeEditVariable(const Variable& variable) {
  auto it = impl_->edits.find(variable.id());
  if (it == impl_->edits.end()) return Result::kUnknownEditVariable;
  const Constraint constraint = it->second.constraint;
  impl_->edits.erase(it);
  return impl_->remove(constraint);
}

bool Solver::hasEditVariable(const Variable& variable) const {
  return impl_->edits.count(variable.id()) != 0;
}

Result Solver::suggestValue(const Variable& variable, double value) {
  auto it = impl_->edits.find(variable.id());
  if (it == impl_->edits.end()) return Result::kUnknownEditVariable;
  if (!isUsable(value)) return Result::kInvalidValue;
  EditRecord& edit = it->second;
  const double delta = value - edit.value;
  edit.value = value;
  if (delta == 0.0) return Result::kOk;
  // The edit row says variable - value = plus - minus. Moving the value by delta is the same as moving
  // plus by delta (or minus by -delta) in every row, which changes only row constants; the dual simplex
  // then repairs the rows that went negative.
  detail::Tableau& tableau = impl_->tableau;
  const SymbolId plus = edit.tag.marker;
  const SymbolId minus = edit.tag.other;
  if (tableau.isBasic(plus)) {
    tableau.addConstant(plus, -delta);
  } else if (tableau.isBasic(minus)) {
    tableau.addConstant(minus, delta);
  } else {
    tableau.shiftParametric(plus, delta);
  }
  tableau.dualOptimize();
  return Result::kOk;
}

void Solver::updateVariables() {
  for (VariableRecord& record : impl_->variables)
    record.variable.setValue(impl_->tableau.value(record.symbol));
}

void Solver::reset() {
  impl_->edits.clear();
  impl_->constraints.clear();
  impl_->variables.clear();
  impl_->variableIndex.clear();
  impl_->tableau.clear();
}

std::string Solver::dumps() const {
  std::unordered_map<SymbolId, const Variable*> names;
  for (const VariableRecord& record : impl_->variables) names.emplace(record.symbol, &record.variable);
  auto name = [this, &names](SymbolId symbol) { return impl_->symbolName(symbol, names); };
  std::ostringstream out;
  out << impl_->tableau.dump(name);
  out << "\nVariables\n---------\n";
  for (const VariableRecord& record : impl_->variables) {
    out << record.variable.name() << " = " << name(record.symbol) << " = "
        << impl_->tableau.value(record.symbol) << '\n';
  }
  out << "\nEdit variables\n--------------\n";
  for (const auto& [id, edit] : impl_->edits) {
    out << edit.constraint.expression().terms.front().variable.name() << " strength "
        << edit.constraint.strength() << " suggested " << edit.value << '\n';
  }
  out << "\nConstraints\n-----------\n";
  static const char* const kOperators[] = {"<=", ">=", "=="};
  for (const auto& [constraint, record] : impl_->constraints) {
    const Expression& expression = constraint.expression();
    for (const Term& term : expression.terms)
      out << term.coefficient << " * " << term.variable.name() << " + ";
    out << expression.constant << ' ' << kOperators[constraint.op() <= OP_EQ ? constraint.op() : OP_EQ]
        << " 0 | strength " << constraint.strength() << '\n';
  }
  const std::string problems = impl_->tableau.check();
  out << "\nChecks\n------\n" << (problems.empty() ? std::string("ok\n") : problems);
  return out.str();
}

}  // namespace cassowary
