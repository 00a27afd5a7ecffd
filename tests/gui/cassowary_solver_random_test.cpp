// The constraint solver on random systems: systems built around a known solution, incremental changes
// checked against solvers built from scratch, degenerate systems where pivot rules can cycle, tiny and
// huge coefficients, and long sequences of arbitrary calls.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gui/cassowary_solver.h"

namespace {

using cassowary::Constraint;
using cassowary::Expression;
using cassowary::RelationalOperator;
using cassowary::Result;
using cassowary::Solver;
using cassowary::Term;
using cassowary::Variable;
namespace strength = cassowary::strength;

double residual(const Constraint& constraint) {
  const double value = constraint.expression().value();
  switch (constraint.op()) {
    case cassowary::OP_LE:
      return std::max(0.0, value);
    case cassowary::OP_GE:
      return std::max(0.0, -value);
    case cassowary::OP_EQ:
      break;
  }
  return std::abs(value);
}

// The residual relative to the size of the constraint's terms at the current values.
double relativeResidual(const Constraint& constraint) {
  double scale = 1.0 + std::abs(constraint.expression().constant);
  for (const Term& term : constraint.expression().terms) scale += std::abs(term.value());
  return residual(constraint) / scale;
}

bool checksPass(const Solver& solver) {
  return solver.dumps().find("\nChecks\n------\nok\n") != std::string::npos;
}

// Whether the tableau's structure is sound (rows, columns, objective), leaving feasibility aside: numbers
// near the largest allowed beside small ones exhaust a double's digits, and the rows may then disagree.
bool structureSound(const Solver& solver) {
  const std::string dump = solver.dumps();
  const std::string heading = "\nChecks\n------\n";
  std::istringstream checks(dump.substr(dump.find(heading) + heading.size()));
  for (std::string line; std::getline(checks, line);) {
    if (line != "ok" && line.find("is infeasible") == std::string::npos) return false;
  }
  return true;
}

// A random system over variables with known values: constraints that the known values satisfy, some
// required and some not, and edit variables suggested towards the known values.
class System {
 public:
  System(unsigned seed, int variableCount) : random_(seed) {
    std::uniform_int_distribution<int> value(-200, 200);
    for (int i = 0; i < variableCount; ++i) {
      variables_.emplace_back("x" + std::to_string(i));
      known_.push_back(value(random_));
    }
  }

  std::vector<Variable>& variables() { return variables_; }
  std::mt19937& random() { return random_; }

  // A constraint the known values satisfy (tight with some probability, else with room to spare).
  Constraint satisfied(double constraintStrength) {
    Expression expression = randomExpression();
    const double atKnown = valueAtKnown(expression);
    const RelationalOperator op = static_cast<RelationalOperator>(pick(3));
    double room = pick(3) == 0 ? 0.0 : static_cast<double>(pick(50));
    switch (op) {
      case cassowary::OP_LE:
        expression.constant -= atKnown + room;
        break;
      case cassowary::OP_GE:
        expression.constant -= atKnown - room;
        break;
      case cassowary::OP_EQ:
        expression.constant -= atKnown;
        break;
    }
    return Constraint(expression, op, constraintStrength);
  }

  // A constraint with no regard for the known values.
  Constraint arbitrary(double constraintStrength) {
    Expression expression = randomExpression();
    expression.constant = static_cast<double>(pick(401)) - 200.0;
    return Constraint(expression, static_cast<RelationalOperator>(pick(3)), constraintStrength);
  }

  double randomStrength() {
    static const double kStrengths[] = {strength::weak, strength::medium, strength::strong,
                                        100.0,          10000.0,          990990990.0};
    return kStrengths[pick(std::size(kStrengths))];
  }

  double known(size_t i) const { return known_[i]; }
  int pick(size_t n) { return std::uniform_int_distribution<int>(0, static_cast<int>(n) - 1)(random_); }

 private:
  Expression randomExpression() {
    static const double kCoefficients[] = {1, -1, 2, -2, 0.5, -0.5, 3, 0.25, -4};
    Expression expression;
    const int terms = 1 + pick(4);
    for (int t = 0; t < terms; ++t) {
      expression.terms.emplace_back(variables_[pick(variables_.size())],
                                    kCoefficients[pick(std::size(kCoefficients))]);
    }
    return expression;
  }

  double valueAtKnown(const Expression& expression) const {
    double sum = 0.0;
    for (const Term& term : expression.terms) {
      for (size_t i = 0; i < variables_.size(); ++i) {
        if (variables_[i].equals(term.variable)) sum += term.coefficient * known_[i];
      }
    }
    return sum;
  }

  std::mt19937 random_;
  std::vector<Variable> variables_;
  std::vector<double> known_;
};

// The weighted error of the current values, what the solver minimises (rounding-sized errors left out).
double weightedError(const std::vector<Constraint>& constraints, const std::map<size_t, double>& suggestions,
                     const std::map<size_t, double>& editStrengths, std::vector<Variable>& variables) {
  auto beyondRounding = [](double error, double scale) {
    return std::max(0.0, error - 1e-9 * (1.0 + scale));
  };
  double sum = 0.0;
  for (const Constraint& c : constraints) {
    if (c.strength() < strength::required)
      sum += c.strength() * beyondRounding(residual(c), residual(c) / relativeResidual(c));
  }
  for (const auto& [index, value] : suggestions) {
    const double v = variables[index].value();
    sum += editStrengths.at(index) * beyondRounding(std::abs(v - value), std::abs(v) + std::abs(value));
  }
  return sum;
}

TEST(SolverRandom, SystemsWithAKnownSolutionAreSolvedExactly) {
  // Every constraint holds at the known values, so the optimum violates nothing: all constraints must hold
  // after solving, required or not.
  for (unsigned seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    System system(seed, 4 + static_cast<int>(seed % 20));
    Solver solver;
    std::vector<Constraint> constraints;
    const int count = 5 + system.pick(40);
    for (int i = 0; i < count; ++i) {
      const double s = system.pick(2) == 0 ? strength::required : system.randomStrength();
      constraints.push_back(system.satisfied(s));
      ASSERT_EQ(solver.addConstraint(constraints.back()), Result::kOk);
    }
    // Edit variables towards the known values.
    for (size_t i = 0; i < system.variables().size(); i += 3) {
      if (solver.addEditVariable(system.variables()[i], system.randomStrength()) == Result::kOk) {
        ASSERT_EQ(solver.suggestValue(system.variables()[i], system.known(i)), Result::kOk);
      }
    }
    solver.updateVariables();
    for (const Constraint& c : constraints) ASSERT_LE(residual(c), 1e-6);
    for (size_t i = 0; i < system.variables().size(); i += 3) {
      ASSERT_NEAR(system.variables()[i].value(), system.known(i), 1e-6);
    }
    ASSERT_TRUE(checksPass(solver));
  }
}

TEST(SolverRandom, IncrementalChangesMatchAFreshSolve) {
  // Required constraints hold at the known values; the preferences and suggestions conflict freely. After
  // every batch of random changes the incremental solver must reach the optimum that a solver built from
  // scratch with the same constraints and suggestions reaches, and never be worse than the known values.
  for (unsigned seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    System system(1000 + seed, 6 + static_cast<int>(seed % 12));
    std::vector<Variable>& vars = system.variables();
    Solver solver;
    std::vector<Constraint> constraints;
    std::map<size_t, double> editStrengths, suggestions;
    for (int step = 0; step < 12; ++step) {
      const int changes = 1 + system.pick(8);
      for (int change = 0; change < changes; ++change) {
        switch (system.pick(6)) {
          case 0:
          case 1: {
            const Constraint c = system.satisfied(strength::required);
            ASSERT_EQ(solver.addConstraint(c), Result::kOk);
            constraints.push_back(c);
            break;
          }
          case 2: {
            const Constraint c = system.arbitrary(system.randomStrength());
            ASSERT_EQ(solver.addConstraint(c), Result::kOk);
            constraints.push_back(c);
            break;
          }
          case 3:
            if (!constraints.empty()) {
              const size_t which = system.pick(constraints.size());
              ASSERT_EQ(solver.removeConstraint(constraints[which]), Result::kOk);
              constraints.erase(constraints.begin() + static_cast<long>(which));
            }
            break;
          case 4: {
            const size_t which = system.pick(vars.size());
            if (editStrengths.count(which)) {
              ASSERT_EQ(solver.removeEditVariable(vars[which]), Result::kOk);
              editStrengths.erase(which);
              suggestions.erase(which);
            } else {
              const double s = system.randomStrength();
              ASSERT_EQ(solver.addEditVariable(vars[which], s), Result::kOk);
              editStrengths[which] = s;
              suggestions[which] = 0.0;
            }
            break;
          }
          default:
            if (!editStrengths.empty()) {
              auto it = editStrengths.begin();
              std::advance(it, system.pick(editStrengths.size()));
              const double value = static_cast<double>(system.pick(601)) - 300.0;
              ASSERT_EQ(solver.suggestValue(vars[it->first], value), Result::kOk);
              suggestions[it->first] = value;
            }
            break;
        }
      }
      solver.updateVariables();
      ASSERT_TRUE(checksPass(solver)) << solver.dumps();
      for (const Constraint& c : constraints) {
        if (c.strength() >= strength::required) {
          ASSERT_LE(relativeResidual(c), 1e-9);
        }
      }
      const double incremental = weightedError(constraints, suggestions, editStrengths, vars);

      Solver fresh;
      for (const Constraint& c : constraints) ASSERT_EQ(fresh.addConstraint(c), Result::kOk);
      for (const auto& [index, s] : editStrengths) {
        ASSERT_EQ(fresh.addEditVariable(vars[index], s), Result::kOk);
        ASSERT_EQ(fresh.suggestValue(vars[index], suggestions[index]), Result::kOk);
      }
      fresh.updateVariables();
      const double scratch = weightedError(constraints, suggestions, editStrengths, vars);
      ASSERT_NEAR(incremental, scratch, 1e-6 * std::max(1.0, scratch));

      // The known values satisfy every required constraint, so the optimum is no worse than they are.
      std::vector<double> solved;
      for (Variable& v : vars) solved.push_back(v.value());
      for (size_t i = 0; i < vars.size(); ++i) vars[i].setValue(system.known(i));
      const double atKnown = weightedError(constraints, suggestions, editStrengths, vars);
      ASSERT_LE(scratch, atKnown + 1e-6 * std::max(1.0, atKnown));
      for (size_t i = 0; i < vars.size(); ++i) vars[i].setValue(solved[i]);
      solver.updateVariables();
    }
  }
}

TEST(SolverRandom, RequiredConstraintsEitherHoldOrAreRefusedWithoutChange) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    System system(5000 + seed, 5 + static_cast<int>(seed % 6));
    Solver solver;
    std::vector<Constraint> accepted;
    for (size_t i = 0; i < system.variables().size(); ++i) {
      ASSERT_EQ(solver.addConstraint((system.variables()[i] == 0) | strength::weak), Result::kOk);
    }
    int refused = 0;
    for (int i = 0; i < 40; ++i) {
      const Constraint c = system.arbitrary(strength::required);
      const std::string before = solver.dumps();
      const Result result = solver.addConstraint(c);
      if (result == Result::kOk) {
        accepted.push_back(c);
      } else {
        ASSERT_EQ(result, Result::kUnsatisfiable);
        ASSERT_EQ(solver.dumps(), before);
        ++refused;
      }
      solver.updateVariables();
      for (const Constraint& a : accepted) ASSERT_LE(relativeResidual(a), 1e-9) << solver.dumps();
    }
    EXPECT_GT(refused, 0);
    ASSERT_TRUE(checksPass(solver));
  }
}

TEST(SolverRandom, DegenerateSystemsTerminate) {
  // Many inequalities through one point make every pivot degenerate, the ground where a careless pivot
  // rule cycles. The solver must finish and keep every required constraint (the point may be the only
  // solution: rounding must not pile up into an infeasible tableau as the suggestions move around it).
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> coefficient(-3, 3);
    Solver solver;
    std::vector<Variable> v;
    for (int i = 0; i < 6; ++i) v.emplace_back("v" + std::to_string(i));
    std::vector<Constraint> required;
    for (int i = 0; i < 60; ++i) {
      Expression e;
      for (Variable& var : v) e.terms.emplace_back(var, coefficient(random));
      required.emplace_back(e, i % 2 ? cassowary::OP_LE : cassowary::OP_GE);
      ASSERT_EQ(solver.addConstraint(required.back()), Result::kOk);  // the origin satisfies all
    }
    for (size_t i = 0; i < v.size(); ++i) {
      ASSERT_EQ(solver.addEditVariable(v[i], i % 2 ? strength::strong : strength::weak), Result::kOk);
    }
    for (int round = 0; round < 20; ++round) {
      for (Variable& var : v) ASSERT_EQ(solver.suggestValue(var, coefficient(random) * 10.0), Result::kOk);
      solver.updateVariables();
      for (const Constraint& c : required) ASSERT_LE(residual(c), 1e-6);
    }
    ASSERT_TRUE(checksPass(solver));
  }
}

TEST(SolverRandom, NearZeroAndLargeCoefficients) {
  Solver solver;
  Variable x("x"), y("y"), z("z");
  // A coefficient below the solver's epsilon counts as zero: y is not part of this constraint.
  ASSERT_EQ(solver.addConstraint(x + 1e-12 * y == 10), Result::kOk);
  ASSERT_EQ(solver.addConstraint((y == 3) | strength::weak), Result::kOk);
  // Terms that cancel up to rounding leave no trace either.
  ASSERT_EQ(solver.addConstraint(0.1 * z + 0.2 * z - 0.3 * z + x == 10), Result::kOk);
  ASSERT_EQ(solver.addConstraint((z == 4) | strength::weak), Result::kOk);
  // Large coefficients and constants.
  Variable big("big");
  ASSERT_EQ(solver.addConstraint(1e6 * big == 2.5e9), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 10, 1e-9);
  EXPECT_NEAR(y.value(), 3, 1e-9);
  EXPECT_NEAR(z.value(), 4, 1e-9);
  EXPECT_NEAR(big.value(), 2500, 1e-6);
  // A required constraint that differs from an existing one only by rounding is redundant, not refused.
  EXPECT_EQ(solver.addConstraint(0.1 * x + 0.2 * x == 3.0000000000000004), Result::kOk);
  EXPECT_TRUE(checksPass(solver));
}

// One random call of the solver's interface on the given variables; numbers come from the given source.
template <typename Number>
Result randomCall(Solver& solver, std::vector<Variable>& v, std::vector<Constraint>& made,
                  std::mt19937& random, Number number) {
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  switch (pick(8)) {
    case 0:
    case 1: {
      Expression e(number());
      const size_t terms = pick(4);
      for (size_t t = 0; t < terms; ++t) e.terms.emplace_back(v[pick(v.size())], number());
      const double s = pick(3) == 0 ? strength::required : std::abs(number());
      made.emplace_back(e, static_cast<RelationalOperator>(pick(3)), s);
      return solver.addConstraint(made.back());
    }
    case 2:
      return made.empty() ? Result::kOk : solver.addConstraint(made[pick(made.size())]);
    case 3:
      return made.empty() ? Result::kOk : solver.removeConstraint(made[pick(made.size())]);
    case 4:
      return solver.addEditVariable(v[pick(v.size())], number());
    case 5:
      return solver.removeEditVariable(v[pick(v.size())]);
    case 6:
      return solver.suggestValue(v[pick(v.size())], number());
    default:
      if (pick(40) == 0) solver.reset();
      solver.updateVariables();
      return Result::kOk;
  }
}

TEST(SolverRandom, ArbitraryCallSequencesNeverBreakTheSolver) {
  // Any call in any order, with any numbers (tiny, huge, infinite, not a number): the solver answers
  // each one and its tableau stays sound. Numbers near the largest allowed leave too few digits for small
  // ones beside them, so no solution (nor feasibility) is checked here; the next test does that with
  // layout-sized numbers.
  const double kOdd[] = {0.0,
                         1e-300,
                         -1e-12,
                         1e-9,
                         7.0,
                         -3.5,
                         1e12,
                         -1e15,
                         1e300,
                         std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()};
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 random(seed);
    auto number = [&]() {
      std::uniform_int_distribution<int> n(0, 200);
      return n(random) < 50 ? kOdd[static_cast<size_t>(n(random)) % std::size(kOdd)]
                            : static_cast<double>(n(random)) - 100.0;
    };
    std::vector<Variable> v;
    for (int i = 0; i < 8; ++i) v.emplace_back("v" + std::to_string(i));
    std::vector<Constraint> made;
    Solver solver;
    for (int call = 0; call < 400; ++call) {
      const Result result = randomCall(solver, v, made, random, number);
      ASSERT_LE(static_cast<int>(result), static_cast<int>(Result::kInvalidValue));
    }
    solver.updateVariables();
    EXPECT_TRUE(structureSound(solver)) << "seed " << seed;
  }
}

TEST(SolverRandom, RandomCallSequencesKeepEveryRequiredConstraint) {
  // Layout-sized numbers: after every call each required constraint in the solver holds, and a refused
  // one leaves the solver exactly as it was.
  for (unsigned seed = 1; seed <= 25; ++seed) {
    std::mt19937 random(100 + seed);
    auto number = [&]() {
      return static_cast<double>(std::uniform_int_distribution<int>(-400, 400)(random)) / 4.0;
    };
    std::vector<Variable> v;
    for (int i = 0; i < 8; ++i) v.emplace_back("v" + std::to_string(i));
    std::vector<Constraint> made;
    Solver solver;
    for (int call = 0; call < 300; ++call) {
      const std::string before = solver.dumps();
      const Result result = randomCall(solver, v, made, random, number);
      if (result == Result::kUnsatisfiable) {
        ASSERT_EQ(solver.dumps(), before);
      }
      solver.updateVariables();
      for (const Constraint& c : made) {
        if (solver.hasConstraint(c) && c.strength() >= strength::required) {
          ASSERT_LE(relativeResidual(c), 1e-9) << "seed " << seed << " call " << call;
        }
      }
    }
    EXPECT_TRUE(checksPass(solver)) << "seed " << seed;
  }
}

}  // namespace
