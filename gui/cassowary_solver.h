#pragma once
// A small incremental Cassowary solver for linear equalities and inequalities with strengths, the engine of
// the constraint layout of skins. It follows the usual Cassowary model:
// - a Variable is a named unknown (shared by copies: copies of one Variable are the same unknown) that
//   carries an optional context object for its owner;
// - Terms and Expressions are linear combinations of variables plus a constant, built with the operators
//   below (2.0 * a + b - 10.0);
// - a Constraint is an expression compared with zero (<=, >= or ==, kept as `expression op 0`) at a
//   strength; required constraints must hold, whatever any number of others want; the others are
//   satisfied as far as their strengths allow: strengths are weights in one sum of errors, so a stronger
//   one wins over weaker ones whose strengths add up to less (strong over up to 999 medium ones);
// - edit variables take suggested values at a strength, for values that change often (a window size):
//   suggesting re-solves incrementally;
// - updateVariables() writes the solution into the variables' values.
//
// Nothing throws: operations that cannot be done return a Result and change nothing. A required
// constraint that contradicts the required ones already added is refused (kUnsatisfiable).
//
// Threads: a Solver and its Variables belong to one thread at a time (the layout runs under the node
// manager's lock).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cassowary {

// Strengths are weights: create(a, b, c, w) = a·w × 1,000,000 + b·w × 1,000 + c·w, each of a·w, b·w, c·w
// clipped to 0..1000, so no strength exceeds required.
namespace strength {
constexpr double clip1000(double x) {
  return x < 0.0 ? 0.0 : (x > 1000.0 ? 1000.0 : x);
}
constexpr double create(double a, double b, double c, double w = 1.0) {
  return clip1000(a * w) * 1000000.0 + clip1000(b * w) * 1000.0 + clip1000(c * w);
}
constexpr double required = create(1000.0, 1000.0, 1000.0);  // 1,001,001,000
constexpr double strong = create(1.0, 0.0, 0.0);              // 1,000,000
constexpr double medium = create(0.0, 1.0, 0.0);              // 1,000
constexpr double weak = create(0.0, 0.0, 1.0);                // 1
// Clips a strength into 0..required.
constexpr double clip(double value) {
  return value < 0.0 ? 0.0 : (value > required ? required : value);
}
}  // namespace strength

// The comparison of a constraint's expression with zero; the values are part of the skin format's contract
// (le = 0, ge = 1, eq = 2).
enum RelationalOperator { OP_LE = 0, OP_GE = 1, OP_EQ = 2 };

enum class Result {
  kOk = 0,
  kDuplicateConstraint,    // addConstraint: this constraint is already in the solver
  kUnsatisfiable,          // addConstraint: a required constraint contradicts the required ones present
  kUnknownConstraint,      // removeConstraint: not in the solver
  kDuplicateEditVariable,  // addEditVariable: already an edit variable
  kBadRequiredStrength,    // addEditVariable: edit variables cannot be required
  kUnknownEditVariable,    // removeEditVariable / suggestValue: not an edit variable
  kInvalidValue,           // addConstraint / addEditVariable / suggestValue: a null constraint, a strength
                           // that is not a number, or a coefficient, constant or value that is not a
                           // finite number within ±kLargestValue
};

// Coefficients, constants and suggested values beyond this carry too few significant digits for the
// arithmetic to mean anything (layouts use a few thousand points).
constexpr double kLargestValue = 1e15;

const char* resultText(Result result);

class Variable {
 public:
  // Owner data attached to a variable; deleted with the last copy of the variable.
  class Context {
   public:
    virtual ~Context() = default;
  };

  explicit Variable(std::string name = std::string(), Context* context = nullptr);
  const std::string& name() const;
  void setName(std::string name);
  Context* context() const;
  // Replaces (and deletes) the context.
  void setContext(Context* context);
  // The value of the last updateVariables() that solved this variable (0 before).
  double value() const;
  void setValue(double value);
  // Copies of one Variable are the same unknown.
  bool equals(const Variable& other) const { return data_ == other.data_; }
  bool operator<(const Variable& other) const { return data_ < other.data_; }
  // An identity for hashing.
  const void* id() const { return data_.get(); }

 private:
  struct Data;
  std::shared_ptr<Data> data_;
};

struct Term {
  Term(const Variable& v, double c = 1.0) : variable(v), coefficient(c) {}
  Variable variable;
  double coefficient;
  double value() const { return coefficient * variable.value(); }
};

struct Expression {
  Expression(double c = 0.0) : constant(c) {}
  Expression(const Term& t, double c = 0.0) : terms{t}, constant(c) {}
  Expression(const Variable& v) : terms{Term(v)}, constant(0.0) {}
  Expression(std::vector<Term> t, double c = 0.0) : terms(std::move(t)), constant(c) {}
  std::vector<Term> terms;
  double constant;
  double value() const;
};

class Constraint {
 public:
  Constraint() = default;
  // expression op 0 at the given strength (clipped to 0..required).
  Constraint(const Expression& expression, RelationalOperator op, double strength = strength::required);
  // The same relation at another strength.
  Constraint(const Constraint& other, double strength);
  const Expression& expression() const;
  RelationalOperator op() const;
  double strength() const;
  bool isNull() const { return !data_; }
  // Copies of one Constraint are the same constraint.
  bool equals(const Constraint& other) const { return data_ == other.data_; }
  bool operator<(const Constraint& other) const { return data_ < other.data_; }

 private:
  struct Data;
  std::shared_ptr<const Data> data_;
};

// Building expressions and constraints.
Term operator*(const Variable& v, double c);
Term operator*(double c, const Variable& v);
Term operator*(const Term& t, double c);
Term operator-(const Variable& v);
Expression operator*(const Expression& e, double c);
Expression operator*(double c, const Expression& e);
Expression operator+(const Expression& a, const Expression& b);
Expression operator-(const Expression& a, const Expression& b);
Expression operator-(const Expression& e);
Constraint operator==(const Expression& a, const Expression& b);
Constraint operator<=(const Expression& a, const Expression& b);
Constraint operator>=(const Expression& a, const Expression& b);
// A copy of the constraint at another strength: (a >= b) | strength::strong.
Constraint operator|(const Constraint& c, double strength);

class Solver {
 public:
  Solver();
  ~Solver();
  Solver(const Solver&) = delete;
  Solver& operator=(const Solver&) = delete;

  Result addConstraint(const Constraint& constraint);
  Result removeConstraint(const Constraint& constraint);
  bool hasConstraint(const Constraint& constraint) const;

  // Strength below required.
  Result addEditVariable(const Variable& variable, double strength);
  Result removeEditVariable(const Variable& variable);
  bool hasEditVariable(const Variable& variable) const;
  Result suggestValue(const Variable& variable, double value);

  // Writes the current solution into every variable the solver knows (a variable is known while a
  // constraint or edit variable in the solver uses it; one left by its last constraint keeps its value).
  void updateVariables();
  // Forgets every constraint and edit variable.
  void reset();
  // A readable listing of the solver's state (objective, tableau, variables, edit variables,
  // constraints, and a check of the tableau's invariants ending it: "Checks", a line of dashes, then "ok"
  // or what is broken), for debugging.
  std::string dumps() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace cassowary
