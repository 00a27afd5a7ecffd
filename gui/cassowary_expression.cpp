// Variables, expressions and constraints of the constraint solver: the values the layout builds and hands
// to the solver. Copies share their data, so a copy names the same unknown or the same constraint.

#include <cmath>
#include <unordered_map>
#include <utility>

#include "gui/cassowary_solver.h"

namespace cassowary {

const char* resultText(Result result) {
  switch (result) {
    case Result::kOk:
      return "ok";
    case Result::kDuplicateConstraint:
      return "the constraint is already in the solver";
    case Result::kUnsatisfiable:
      return "the required constraint contradicts the required constraints already in the solver";
    case Result::kUnknownConstraint:
      return "the constraint is not in the solver";
    case Result::kDuplicateEditVariable:
      return "the variable is already an edit variable";
    case Result::kBadRequiredStrength:
      return "an edit variable cannot be required";
    case Result::kUnknownEditVariable:
      return "the variable is not an edit variable";
    case Result::kInvalidValue:
      return "a null constraint, or a number that is not finite";
  }
  return "unknown result";
}

// ---------------------------------------------------------------------------------------------------------
// Variable

struct Variable::Data {
  std::string name;
  std::unique_ptr<Context> context;
  double value = 0.0;
};

Variable::Variable(std::string name, Context* context) : data_(std::make_shared<Data>()) {
  data_->name = std::move(name);
  data_->context.reset(context);
}

const std::string& Variable::name() const {
  return data_->name;
}

void Variable::setName(std::string name) {
  data_->name = std::move(name);
}

Variable::Context* Variable::context() const {
  return data_->context.get();
}

void Variable::setContext(Context* context) {
  // Setting the context it already holds must not delete it.
  if (data_->context.get() != context) data_->context.reset(context);
}

double Variable::value() const {
  return data_->value;
}

void Variable::setValue(double value) {
  data_->value = value;
}

// ---------------------------------------------------------------------------------------------------------
// Expression

double Expression::value() const {
  double sum = constant;
  for (const Term& term : terms) sum += term.value();
  return sum;
}

namespace {

// One term per variable (coefficients of repeated variables added up, in the order of first appearance),
// terms that cancel out left out.
Expression reduced(const Expression& expression) {
  Expression result(expression.constant);
  result.terms.reserve(expression.terms.size());
  std::unordered_map<const void*, size_t> position;
  const bool useMap = expression.terms.size() > 16;
  for (const Term& term : expression.terms) {
    size_t found = result.terms.size();
    if (useMap) {
      auto it = position.find(term.variable.id());
      if (it != position.end()) found = it->second;
    } else {
      for (size_t i = 0; i < result.terms.size(); ++i) {
        if (result.terms[i].variable.equals(term.variable)) {
          found = i;
          break;
        }
      }
    }
    if (found < result.terms.size()) {
      result.terms[found].coefficient += term.coefficient;
    } else {
      if (useMap) position.emplace(term.variable.id(), result.terms.size());
      result.terms.push_back(term);
    }
  }
  std::erase_if(result.terms, [](const Term& term) { return term.coefficient == 0.0; });
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Constraint

struct Constraint::Data {
  Expression expression;
  RelationalOperator op = OP_EQ;
  double strength = strength::required;
};

Constraint::Constraint(const Expression& expression, RelationalOperator op, double strength) {
  auto data = std::make_shared<Data>();
  data->expression = reduced(expression);
  data->op = op;
  // A strength that is no number stays one, so that the solver can refuse the constraint.
  data->strength = std::isnan(strength) ? strength : strength::clip(strength);
  data_ = std::move(data);
}

Constraint::Constraint(const Constraint& other, double strength) {
  auto data = std::make_shared<Data>();
  if (other.data_) {
    data->expression = other.data_->expression;
    data->op = other.data_->op;
  }
  data->strength = std::isnan(strength) ? strength : strength::clip(strength);
  data_ = std::move(data);
}

const Expression& Constraint::expression() const {
  static const Expression kEmpty;
  return data_ ? data_->expression : kEmpty;
}

RelationalOperator Constraint::op() const {
  return data_ ? data_->op : OP_EQ;
}

double Constraint::strength() const {
  return data_ ? data_->strength : strength::required;
}

// ---------------------------------------------------------------------------------------------------------
// Operators

Term operator*(const Variable& v, double c) {
  return Term(v, c);
}

Term operator*(double c, const Variable& v) {
  return Term(v, c);
}

Term operator*(const Term& t, double c) {
  return Term(t.variable, t.coefficient * c);
}

Term operator-(const Variable& v) {
  return Term(v, -1.0);
}

Expression operator*(const Expression& e, double c) {
  Expression result(e.constant * c);
  result.terms.reserve(e.terms.size());
  for (const Term& term : e.terms) result.terms.push_back(term * c);
  return result;
}

Expression operator*(double c, const Expression& e) {
  return e * c;
}

Expression operator+(const Expression& a, const Expression& b) {
  Expression result(a.constant + b.constant);
  result.terms.reserve(a.terms.size() + b.terms.size());
  result.terms.insert(result.terms.end(), a.terms.begin(), a.terms.end());
  result.terms.insert(result.terms.end(), b.terms.begin(), b.terms.end());
  return result;
}

Expression operator-(const Expression& e) {
  return e * -1.0;
}

Expression operator-(const Expression& a, const Expression& b) {
  return a + b * -1.0;
}

Constraint operator==(const Expression& a, const Expression& b) {
  return Constraint(a - b, OP_EQ);
}

Constraint operator<=(const Expression& a, const Expression& b) {
  return Constraint(a - b, OP_LE);
}

Constraint operator>=(const Expression& a, const Expression& b) {
  return Constraint(a - b, OP_GE);
}

Constraint operator|(const Constraint& c, double strength) {
  return Constraint(c, strength);
}

}  // namespace cassowary
