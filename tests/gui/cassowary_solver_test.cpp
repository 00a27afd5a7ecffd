// The constraint solver on the layouts skins build (stacks filled, spaced and aligned within a window),
// on small systems that show how strengths weigh against each other, and through its whole interface:
// refusals, removals, edit variables, reset.

#include "gui/cassowary_solver.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cassowary_layout_rig.h"

namespace {

using cassowary::Constraint;
using cassowary::Expression;
using cassowary::Result;
using cassowary::Solver;
using cassowary::Variable;
namespace strength = cassowary::strength;
using cassowary_rig::Alignment;
using cassowary_rig::Axis;
using cassowary_rig::Distribution;
using cassowary_rig::Layout;
using cassowary_rig::Node;

bool checksPass(const Solver& solver) {
  return solver.dumps().find("\nChecks\n------\nok\n") != std::string::npos;
}

// ---------------------------------------------------------------------------------------------------------
// Layouts: a table of stacks with the rectangle every leaf must get.

struct Rect {
  double x, y, w, h;
};

struct LayoutCase {
  const char* name;
  std::function<void(Layout&)> build;
  double windowWidth, windowHeight;
  std::vector<Rect> leaves;  // in the order the leaves were added
};

Node& stack(Layout& layout, Node* parent, Axis axis, Distribution distribution, Alignment alignment,
            double spacing) {
  Node& node = layout.add(parent, 0, 0);
  node.axis = axis;
  node.distribution = distribution;
  node.alignment = alignment;
  node.spacing = spacing;
  return node;
}

std::vector<LayoutCase> layoutCases() {
  return {
      {"HorizontalStackFilledEquallyWithSpacing",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kHorizontal, Distribution::kFillEqually, Alignment::kFill, 10);
         for (int i = 0; i < 3; ++i) l.add(&root, 50, 20);
       },
       400,
       100,
       {{0, 0, 380.0 / 3, 100},
        {380.0 / 3 + 10, 0, 380.0 / 3, 100},
        {2 * (380.0 / 3 + 10), 0, 380.0 / 3, 100}}},
      {"HorizontalFillChildrenFollowEachOther",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kHorizontal, Distribution::kFill, Alignment::kStart, 10);
         l.add(&root, 100, 20);
         l.add(&root, 50, 20);
         l.add(&root, 50, 20);
       },
       220,
       20,
       {{0, 0, 100, 20}, {110, 0, 50, 20}, {170, 0, 50, 20}}},
      {"FillProportionallyKeepsTheIntrinsicRatio",
       [](Layout& l) {
         Node& root =
             stack(l, nullptr, Axis::kHorizontal, Distribution::kFillProportionally, Alignment::kFill, 0);
         l.add(&root, 100, 20);
         l.add(&root, 50, 20);
         l.add(&root, 50, 20);
       },
       400,
       20,
       {{0, 0, 200, 20}, {200, 0, 100, 20}, {300, 0, 100, 20}}},
      {"EqualSpacingSharesTheRoomBetweenChildren",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kHorizontal, Distribution::kEqualSpacing, Alignment::kFill, 0);
         for (int i = 0; i < 3; ++i) l.add(&root, 50, 20);
       },
       400,
       20,
       {{0, 0, 50, 20}, {175, 0, 50, 20}, {350, 0, 50, 20}}},
      {"EqualCenteringPutsTheMiddleCentreHalfway",
       [](Layout& l) {
         Node& root =
             stack(l, nullptr, Axis::kHorizontal, Distribution::kEqualCentering, Alignment::kFill, 0);
         l.add(&root, 50, 20);
         l.add(&root, 100, 20);
         l.add(&root, 50, 20);
       },
       400,
       20,
       {{0, 0, 50, 20}, {150, 0, 100, 20}, {350, 0, 50, 20}}},
      {"VerticalStackCentredAcross",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kVertical, Distribution::kFill, Alignment::kCenter, 0);
         l.add(&root, 60, 30);
         l.add(&root, 100, 30);
       },
       200,
       60,
       {{70, 0, 60, 30}, {50, 30, 100, 30}}},
      {"VerticalStackAlignedToTheTrailingEdge",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kVertical, Distribution::kFill, Alignment::kEnd, 0);
         l.add(&root, 50, 10);
         l.add(&root, 80, 10);
       },
       100,
       20,
       {{50, 0, 50, 10}, {20, 10, 80, 10}}},
      {"CompressionResistanceWinsOverTheWindowSize",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kHorizontal, Distribution::kFill, Alignment::kFill, 0);
         for (int i = 0; i < 3; ++i) l.add(&root, 100, 20);
       },
       200,
       20,
       {{0, 0, 100, 20}, {100, 0, 100, 20}, {200, 0, 100, 20}}},
      {"NestedStacksFillTheWindow",
       [](Layout& l) {
         Node& root = stack(l, nullptr, Axis::kVertical, Distribution::kFillEqually, Alignment::kFill, 0);
         Node& top = stack(l, &root, Axis::kHorizontal, Distribution::kFillEqually, Alignment::kFill, 0);
         Node& bottom = stack(l, &root, Axis::kHorizontal, Distribution::kFillEqually, Alignment::kFill, 0);
         for (int i = 0; i < 2; ++i) l.add(&top, 10, 10);
         for (int i = 0; i < 4; ++i) l.add(&bottom, 10, 10);
       },
       400,
       200,
       {{0, 0, 200, 100},
        {200, 0, 200, 100},
        {0, 100, 100, 100},
        {100, 100, 100, 100},
        {200, 100, 100, 100},
        {300, 100, 100, 100}}},
  };
}

class LayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTable, LeavesGetTheirRectangles) {
  const LayoutCase& c = GetParam();
  Layout layout;
  c.build(layout);
  layout.build();
  EXPECT_EQ(layout.refused(), 0);
  layout.layout(c.windowWidth, c.windowHeight);
  std::vector<Node*> leaves;
  std::function<void(Node&)> collect = [&](Node& node) {
    if (node.children.empty()) leaves.push_back(&node);
    for (Node* child : node.children) collect(*child);
  };
  collect(layout.root());
  ASSERT_EQ(leaves.size(), c.leaves.size());
  for (size_t i = 0; i < leaves.size(); ++i) {
    SCOPED_TRACE("leaf " + std::to_string(i));
    EXPECT_NEAR(leaves[i]->x(), c.leaves[i].x, 1e-6);
    EXPECT_NEAR(leaves[i]->y(), c.leaves[i].y, 1e-6);
    EXPECT_NEAR(leaves[i]->w(), c.leaves[i].w, 1e-6);
    EXPECT_NEAR(leaves[i]->h(), c.leaves[i].h, 1e-6);
    // The default ties hold whatever the stack did.
    EXPECT_NEAR(leaves[i]->trailing.value(), leaves[i]->x() + leaves[i]->w(), 1e-6);
    EXPECT_NEAR(leaves[i]->centerY.value(), leaves[i]->y() + leaves[i]->h() / 2, 1e-6);
    EXPECT_NEAR(leaves[i]->lastBaseline.value(), leaves[i]->centerY.value(), 1e-6);
  }
  EXPECT_TRUE(checksPass(layout.solver()));
}

INSTANTIATE_TEST_SUITE_P(Stacks, LayoutTable, ::testing::ValuesIn(layoutCases()),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST(LayoutResize, EveryResizeMatchesAFreshSolve) {
  // The incremental re-solve after each suggestion must land where a solver built for that size lands.
  auto build = [](Layout& l) {
    Node& root = stack(l, nullptr, Axis::kVertical, Distribution::kFill, Alignment::kFill, 4);
    Node& bar = stack(l, &root, Axis::kHorizontal, Distribution::kEqualSpacing, Alignment::kCenter, 0);
    Node& body = stack(l, &root, Axis::kHorizontal, Distribution::kFillEqually, Alignment::kFill, 2);
    for (int i = 0; i < 4; ++i) l.add(&bar, 30 + 10 * i, 20 + i);
    for (int i = 0; i < 3; ++i) l.add(&body, 80, 120);
  };
  Layout resized;
  build(resized);
  resized.build();
  for (double width : {300.0, 1000.0, 100.0, 640.0, 250.0, 250.0, 2000.0}) {
    SCOPED_TRACE(width);
    resized.layout(width, 300);
    Layout fresh;
    build(fresh);
    fresh.build();
    fresh.layout(width, 300);
    EXPECT_NEAR(resized.root().w(), fresh.root().w(), 1e-6);
    for (size_t i = 0; i < 2; ++i) {
      Node& a = *resized.root().children[i];
      Node& b = *fresh.root().children[i];
      for (size_t j = 0; j < a.children.size(); ++j) {
        EXPECT_NEAR(a.children[j]->x(), b.children[j]->x(), 1e-6);
        EXPECT_NEAR(a.children[j]->y(), b.children[j]->y(), 1e-6);
        EXPECT_NEAR(a.children[j]->w(), b.children[j]->w(), 1e-6);
      }
    }
  }
  // Narrower than the content: the children keep their intrinsic widths and the root does not shrink.
  resized.layout(100, 300);
  EXPECT_NEAR(resized.root().w(), 80 * 3 + 2 * 2, 1e-6);
  EXPECT_TRUE(checksPass(resized.solver()));
}

// ---------------------------------------------------------------------------------------------------------
// Strengths: a table of small systems and the value x must take.

struct SystemCase {
  const char* name;
  std::function<void(Solver&, Variable&, Variable&, Variable&)> build;
  double x, y;
};

void addMany(Solver& solver, const Constraint& prototype, double strength, int count) {
  for (int i = 0; i < count; ++i)
    ASSERT_EQ(solver.addConstraint(Constraint(prototype, strength)), Result::kOk);
}

std::vector<SystemCase> systemCases() {
  return {
      {"StrongBeats999Medium",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint((x == 10) | strength::strong);
         addMany(s, x == 20, strength::medium, 999);
         s.addConstraint(y == x);
       },
       10, 10},
      {"MediumBeats999Weak",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         addMany(s, x == 20, strength::weak, 999);
         s.addConstraint((x == 10) | strength::medium);
         s.addConstraint(y == 2 * x);
       },
       10, 20},
      {"RequiredBeatsAnyNumberOfStrong",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         addMany(s, x == 20, strength::strong, 2000);  // weighing twice the required strength
         s.addConstraint(x <= 10);
         s.addConstraint((y == 0) | strength::weak);
       },
       10, 0},
      {"CompressionResistanceBeatsHugging",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint((x >= 100) | cassowary_rig::kCompressionResistance);
         s.addConstraint((x <= 50) | cassowary_rig::kHugging);
         s.addConstraint(y == x + 1);
       },
       100, 101},
      {"HuggingWinsWhenStronger",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint((x >= 100) | cassowary_rig::kHugging);
         s.addConstraint((x <= 50) | cassowary_rig::kCompressionResistance);
         s.addConstraint(y == x + 1);
       },
       50, 51},
      {"PrioritySquaresNearEachOther",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint((x == 1) | 999.0 * 999.0);
         s.addConstraint((x == 2) | 1000.0 * 1000.0);
         s.addConstraint((y == 5) | 1.0);
       },
       2, 5},
      {"EqualWeightsAddUp",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint((x == 20) | strength::weak);
         s.addConstraint((x == 10) | strength::weak);
         s.addConstraint((x == 10) | strength::weak);
         s.addConstraint((y == -3) | strength::weak);
       },
       10, -3},
      {"EqualityWithInequalities",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint(x + y == 100);
         s.addConstraint(x >= 30);
         s.addConstraint(y >= 40);
         s.addConstraint((x == 0) | strength::weak);
       },
       30, 70},
      {"ChainOfInequalitiesHoldsAStrongPull",
       [](Solver& s, Variable& x, Variable& y, Variable& z) {
         s.addConstraint(x <= y);
         s.addConstraint(y <= z);
         s.addConstraint(z <= 10);
         s.addConstraint((x == 20) | strength::strong);
       },
       10, 10},
      {"OrderingWithGap",
       [](Solver& s, Variable& x, Variable& y, Variable&) {
         s.addConstraint(x >= y + 10);
         s.addConstraint((y == 5) | strength::strong);
         s.addConstraint((x == 0) | strength::weak);
       },
       15, 5},
      {"ScaledTermsAndConstants",
       [](Solver& s, Variable& x, Variable& y, Variable& z) {
         s.addConstraint(2.0 * x + 3.0 * y - 10.0 == z);
         s.addConstraint(0.5 * z == 7);
         s.addConstraint(x - y == 1);
       },
       27.0 / 5, 22.0 / 5},
  };
}

class StrengthTable : public ::testing::TestWithParam<SystemCase> {};

TEST_P(StrengthTable, SolutionIsTheExpectedOne) {
  const SystemCase& c = GetParam();
  Solver solver;
  Variable x("x"), y("y"), z("z");
  c.build(solver, x, y, z);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), c.x, 1e-6);
  EXPECT_NEAR(y.value(), c.y, 1e-6);
  EXPECT_TRUE(checksPass(solver));
}

INSTANTIATE_TEST_SUITE_P(Systems, StrengthTable, ::testing::ValuesIn(systemCases()),
                         [](const ::testing::TestParamInfo<SystemCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------------------
// Building expressions and constraints.

TEST(SolverValues, ExpressionsAndConstraintsAreBuiltAndReduced) {
  Variable a("a"), b("b");
  const Expression e = 2.0 * a + b - 10.0;
  ASSERT_EQ(e.terms.size(), 2u);
  EXPECT_EQ(e.terms[0].coefficient, 2.0);
  EXPECT_EQ(e.constant, -10.0);
  a.setValue(3);
  b.setValue(4);
  EXPECT_DOUBLE_EQ(e.value(), 0.0);

  // Repeated variables are added up and cancelled ones dropped: a + a - b + b <= 4 is 2a - 4 <= 0.
  const Constraint c = a + a - b + b <= 4.0;
  ASSERT_EQ(c.expression().terms.size(), 1u);
  EXPECT_TRUE(c.expression().terms[0].variable.equals(a));
  EXPECT_EQ(c.expression().terms[0].coefficient, 2.0);
  EXPECT_EQ(c.expression().constant, -4.0);
  EXPECT_EQ(c.op(), cassowary::OP_LE);
  EXPECT_EQ(c.strength(), strength::required);

  // Copies are the same constraint; another strength makes another one; strengths are clipped.
  const Constraint copy = c;
  EXPECT_TRUE(copy.equals(c));
  const Constraint weaker = c | strength::weak;
  EXPECT_FALSE(weaker.equals(c));
  EXPECT_EQ(weaker.strength(), strength::weak);
  EXPECT_EQ((c | 5e12).strength(), strength::required);
  EXPECT_EQ((c | -3.0).strength(), 0.0);
  EXPECT_EQ(strength::create(1, 2, 3), 1002003.0);
  EXPECT_EQ(strength::create(2000, 0, 0), strength::create(1000, 0, 0));

  // Copies of a variable are the same unknown.
  Variable alias = a;
  alias.setValue(42);
  EXPECT_EQ(a.value(), 42);
  EXPECT_TRUE(alias.equals(a));
  EXPECT_FALSE(Variable("a").equals(a));
}

TEST(SolverValues, VariableContextGoesWithTheLastCopy) {
  struct Counted : Variable::Context {
    explicit Counted(int* deleted) : deleted(deleted) {}
    ~Counted() override { ++*deleted; }
    int* deleted;
  };
  int deleted = 0;
  {
    Variable v("v", new Counted(&deleted));
    Variable copy = v;
    copy.setContext(copy.context());  // setting the same context keeps it
    EXPECT_EQ(deleted, 0);
    v.setContext(new Counted(&deleted));  // replacing deletes the old one
    EXPECT_EQ(deleted, 1);
    {
      Solver solver;
      solver.addConstraint(v == 3);
      solver.updateVariables();
      EXPECT_EQ(copy.value(), 3);
    }
    EXPECT_EQ(deleted, 1);
  }
  EXPECT_EQ(deleted, 2);
}

TEST(SolverValues, EveryResultHasAText) {
  for (Result r : {Result::kOk, Result::kDuplicateConstraint, Result::kUnsatisfiable,
                   Result::kUnknownConstraint, Result::kDuplicateEditVariable, Result::kBadRequiredStrength,
                   Result::kUnknownEditVariable, Result::kInvalidValue}) {
    EXPECT_STRNE(cassowary::resultText(r), "unknown result");
  }
}

// ---------------------------------------------------------------------------------------------------------
// Refusals leave the solver as it was.

struct Contradiction {
  const char* name;
  std::function<Constraint(Variable&, Variable&)> make;
};

class Contradictions : public ::testing::TestWithParam<Contradiction> {};

TEST_P(Contradictions, RequiredContradictionIsRefusedAndChangesNothing) {
  Solver solver;
  Variable x("x"), y("y");
  // Required bounds, preferences pulling against them, and an edit variable: a refused constraint must
  // leave every one of them as it was, down to the tableau.
  const std::vector<Constraint> present = {x >= 0,
                                           x <= 100,
                                           y >= 0,
                                           y <= 100,
                                           y == x + 10,
                                           (x == 50) | strength::weak,
                                           (y == 80) | strength::medium};
  for (const Constraint& c : present) ASSERT_EQ(solver.addConstraint(c), Result::kOk);
  ASSERT_EQ(solver.addEditVariable(x, strength::strong), Result::kOk);
  ASSERT_EQ(solver.suggestValue(x, 30), Result::kOk);
  solver.updateVariables();
  const double x0 = x.value(), y0 = y.value();
  EXPECT_NEAR(x0, 30, 1e-9);
  const std::string before = solver.dumps();

  const Constraint bad = GetParam().make(x, y);
  EXPECT_EQ(solver.addConstraint(bad), Result::kUnsatisfiable);
  EXPECT_FALSE(solver.hasConstraint(bad));
  EXPECT_EQ(solver.dumps(), before);
  solver.updateVariables();
  EXPECT_EQ(x.value(), x0);
  EXPECT_EQ(y.value(), y0);

  // The solver goes on working.
  EXPECT_EQ(solver.suggestValue(x, 60), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 60, 1e-9);
  EXPECT_NEAR(y.value(), 70, 1e-9);
  EXPECT_EQ(solver.removeConstraint(bad), Result::kUnknownConstraint);
  EXPECT_TRUE(checksPass(solver));
}

INSTANTIATE_TEST_SUITE_P(
    Required, Contradictions,
    ::testing::Values(
        Contradiction{"EqualityOutsideTheBounds", [](Variable& x, Variable&) { return x == 150; }},
        Contradiction{"InequalityOutsideTheBounds", [](Variable& x, Variable&) { return x >= 101; }},
        Contradiction{"SumBeyondTheBounds", [](Variable& x, Variable& y) { return x + y >= 300; }},
        Contradiction{"DifferenceAgainstTheTie", [](Variable& x, Variable& y) { return y - x == 5; }},
        Contradiction{"OrderAgainstTheTie", [](Variable& x, Variable& y) { return x >= y; }},
        Contradiction{"ConstantOnly",
                      [](Variable&, Variable&) { return Constraint(Expression(1.0), cassowary::OP_LE); }}),
    [](const ::testing::TestParamInfo<Contradiction>& info) { return info.param.name; });

TEST(SolverCalls, RedundantRequiredConstraintsAreAccepted) {
  Solver solver;
  Variable x("x"), y("y");
  EXPECT_EQ(solver.addConstraint(x == 10), Result::kOk);
  EXPECT_EQ(solver.addConstraint(x == 10), Result::kOk);  // another constraint, the same relation
  EXPECT_EQ(solver.addConstraint(2 * x == 20), Result::kOk);
  EXPECT_EQ(solver.addConstraint(x + y == 15), Result::kOk);
  EXPECT_EQ(solver.addConstraint(y == 5), Result::kOk);
  EXPECT_EQ(solver.addConstraint(x - y >= 5), Result::kOk);
  EXPECT_EQ(solver.addConstraint(Constraint(Expression(0.0), cassowary::OP_EQ)), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 10, 1e-9);
  EXPECT_NEAR(y.value(), 5, 1e-9);
  EXPECT_TRUE(checksPass(solver));
}

TEST(SolverCalls, BadCallsFailCleanly) {
  Solver solver;
  Variable x("x"), unknown("unknown"), big("big");
  const Constraint c = x >= 10;
  ASSERT_EQ(solver.addConstraint(c), Result::kOk);
  EXPECT_EQ(solver.addConstraint(c), Result::kDuplicateConstraint);
  EXPECT_EQ(solver.addConstraint(Constraint()), Result::kInvalidValue);
  EXPECT_EQ(solver.removeConstraint(Constraint()), Result::kUnknownConstraint);
  EXPECT_EQ(solver.addConstraint(x * std::numeric_limits<double>::infinity() == 1), Result::kInvalidValue);
  EXPECT_EQ(solver.addConstraint(x == std::numeric_limits<double>::quiet_NaN()), Result::kInvalidValue);
  EXPECT_EQ(solver.addConstraint((x == 1) | std::numeric_limits<double>::quiet_NaN()), Result::kInvalidValue);
  EXPECT_EQ(solver.addConstraint(x * 1e16 == 1), Result::kInvalidValue);
  EXPECT_EQ(solver.addConstraint(x == -1e16), Result::kInvalidValue);
  EXPECT_EQ(solver.addConstraint(big * cassowary::kLargestValue == -cassowary::kLargestValue), Result::kOk);

  EXPECT_EQ(solver.suggestValue(unknown, 5), Result::kUnknownEditVariable);
  EXPECT_EQ(solver.removeEditVariable(unknown), Result::kUnknownEditVariable);
  EXPECT_FALSE(solver.hasEditVariable(unknown));

  EXPECT_EQ(solver.addEditVariable(x, strength::required), Result::kBadRequiredStrength);
  EXPECT_EQ(solver.addEditVariable(x, 1e15), Result::kBadRequiredStrength);
  EXPECT_EQ(solver.addEditVariable(x, std::numeric_limits<double>::quiet_NaN()), Result::kInvalidValue);
  EXPECT_FALSE(solver.hasEditVariable(x));
  ASSERT_EQ(solver.addEditVariable(x, strength::strong), Result::kOk);
  EXPECT_EQ(solver.addEditVariable(x, strength::weak), Result::kDuplicateEditVariable);
  ASSERT_EQ(solver.suggestValue(x, 40), Result::kOk);
  EXPECT_EQ(solver.suggestValue(x, std::numeric_limits<double>::infinity()), Result::kInvalidValue);
  EXPECT_EQ(solver.suggestValue(x, std::numeric_limits<double>::quiet_NaN()), Result::kInvalidValue);
  EXPECT_EQ(solver.suggestValue(x, 2e15), Result::kInvalidValue);
  solver.updateVariables();
  EXPECT_EQ(x.value(), 40);
  EXPECT_EQ(big.value(), -1);
  EXPECT_EQ(unknown.value(), 0);  // never part of the solver
  EXPECT_TRUE(checksPass(solver));
}

// ---------------------------------------------------------------------------------------------------------
// Removing and resetting.

TEST(SolverCalls, RemovingConstraintsReSolves) {
  Solver solver;
  Variable x("x"), y("y");
  const Constraint strong = (x == 10) | strength::strong;
  const Constraint weak = (x == 20) | strength::weak;
  const Constraint bound = x <= 15;
  const Constraint tie = y == x + 1;
  for (const Constraint& c : {strong, weak, bound, tie}) ASSERT_EQ(solver.addConstraint(c), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 10, 1e-9);

  EXPECT_EQ(solver.removeConstraint(strong), Result::kOk);
  EXPECT_FALSE(solver.hasConstraint(strong));
  EXPECT_EQ(solver.removeConstraint(strong), Result::kUnknownConstraint);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 15, 1e-9);
  EXPECT_NEAR(y.value(), 16, 1e-9);

  EXPECT_EQ(solver.removeConstraint(bound), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 20, 1e-9);

  // Adding back what was removed, in another order, solves as before.
  EXPECT_EQ(solver.addConstraint(bound), Result::kOk);
  EXPECT_EQ(solver.addConstraint(strong), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 10, 1e-9);
  EXPECT_NEAR(y.value(), 11, 1e-9);

  // A variable whose last constraint goes is no longer the solver's: its value stays as last solved.
  for (const Constraint& c : {strong, weak, bound, tie}) EXPECT_EQ(solver.removeConstraint(c), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(x.value(), 10, 1e-9);
  EXPECT_EQ(solver.dumps().find("x ="), std::string::npos);
  EXPECT_TRUE(checksPass(solver));
}

TEST(SolverCalls, RemovingOneOfRedundantRequiredEqualitiesKeepsTheOthers) {
  // x = 10, y = 20 and x + y = 30 say the same thing twice. Whichever of them goes, the two left still fix
  // both values, however the preferences pull.
  for (int removed = 0; removed < 3; ++removed) {
    for (double pull : {strength::weak, strength::strong}) {
      SCOPED_TRACE("removed " + std::to_string(removed) + " pull " + std::to_string(pull));
      Solver solver;
      Variable x("x"), y("y");
      const Constraint required[] = {x == 10, y == 20, x + y == 30};
      for (const Constraint& c : required) ASSERT_EQ(solver.addConstraint(c), Result::kOk);
      ASSERT_EQ(solver.addConstraint((x == 0) | strength::weak), Result::kOk);
      ASSERT_EQ(solver.addConstraint((y == 100) | strength::weak), Result::kOk);
      ASSERT_EQ(solver.addConstraint((x - y == 50) | pull), Result::kOk);
      ASSERT_EQ(solver.removeConstraint(required[removed]), Result::kOk);
      solver.updateVariables();
      EXPECT_NEAR(x.value(), 10, 1e-9);
      EXPECT_NEAR(y.value(), 20, 1e-9);
      EXPECT_TRUE(checksPass(solver)) << solver.dumps();
    }
  }
}

TEST(SolverCalls, EditVariablesFollowSuggestionsAndCanBeRemoved) {
  Solver solver;
  Variable width("width"), half("half");
  ASSERT_EQ(solver.addConstraint(width <= 800), Result::kOk);
  ASSERT_EQ(solver.addConstraint(half == 0.5 * width), Result::kOk);
  ASSERT_EQ(solver.addConstraint((width == 100) | strength::weak), Result::kOk);
  ASSERT_EQ(solver.addEditVariable(width, strength::strong), Result::kOk);
  EXPECT_TRUE(solver.hasEditVariable(width));

  for (double value : {300.0, 500.0, 1200.0, 20.0, 800.0, -40.0}) {
    ASSERT_EQ(solver.suggestValue(width, value), Result::kOk);
    solver.updateVariables();
    const double expected = std::min(value, 800.0);
    EXPECT_NEAR(width.value(), expected, 1e-9) << value;
    EXPECT_NEAR(half.value(), expected / 2, 1e-9) << value;
  }

  EXPECT_EQ(solver.removeEditVariable(width), Result::kOk);
  EXPECT_FALSE(solver.hasEditVariable(width));
  EXPECT_EQ(solver.suggestValue(width, 300), Result::kUnknownEditVariable);
  solver.updateVariables();
  EXPECT_NEAR(width.value(), 100, 1e-9);  // the weak preference is all that is left

  // A second edit variable at another strength starts from scratch.
  ASSERT_EQ(solver.addEditVariable(width, strength::medium), Result::kOk);
  ASSERT_EQ(solver.suggestValue(width, 640), Result::kOk);
  solver.updateVariables();
  EXPECT_NEAR(width.value(), 640, 1e-9);
  EXPECT_TRUE(checksPass(solver));
}

TEST(SolverCalls, ResetForgetsEverything) {
  Solver solver;
  Variable x("x");
  const Constraint c = x == 7;
  ASSERT_EQ(solver.addConstraint(c), Result::kOk);
  ASSERT_EQ(solver.addEditVariable(x, strength::weak), Result::kOk);
  solver.updateVariables();
  EXPECT_EQ(x.value(), 7);

  solver.reset();
  EXPECT_FALSE(solver.hasConstraint(c));
  EXPECT_FALSE(solver.hasEditVariable(x));
  EXPECT_EQ(solver.suggestValue(x, 3), Result::kUnknownEditVariable);
  EXPECT_EQ(solver.removeConstraint(c), Result::kUnknownConstraint);
  solver.updateVariables();
  EXPECT_EQ(x.value(), 7);  // values stay until solved again

  ASSERT_EQ(solver.addConstraint(c | strength::weak), Result::kOk);
  ASSERT_EQ(solver.addEditVariable(x, strength::strong), Result::kOk);
  ASSERT_EQ(solver.suggestValue(x, 3), Result::kOk);
  solver.updateVariables();
  EXPECT_EQ(x.value(), 3);
  EXPECT_TRUE(checksPass(solver));
}

}  // namespace
