#include "gui/zr_constraints_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/zr_logging.h"
#include "gui/zr_draw_node.h"

using cassowary::Constraint;
using cassowary::Expression;
using cassowary::Term;
using cassowary::Variable;

namespace {

constexpr int kRequired = 10000;
constexpr double kEditStrong = 990990990.0;
constexpr double kEditWindow = 10000.0;
// Refusals beyond this many in one skin are counted but not logged one by one.
constexpr int kRefusalsLogged = 20;

// An expression with the terms of one variable added together (a spacing constraint between centres names a
// variable twice).
Expression combine(const std::vector<Term>& terms, double constant) {
  std::vector<Term> merged;
  for (const Term& t : terms) {
    auto same = std::find_if(merged.begin(), merged.end(),
                             [&](const Term& m) { return m.variable.equals(t.variable); });
    if (same != merged.end()) {
      same->coefficient += t.coefficient;
    } else {
      merged.push_back(t);
    }
  }
  merged.erase(
      std::remove_if(merged.begin(), merged.end(), [](const Term& t) { return t.coefficient == 0.0; }),
      merged.end());
  return Expression(std::move(merged), constant);
}

void requireNode(const ZRDrawNode* node, const char* operation) {
  if (node != nullptr) return;
  ZRLOG("fatal: %s without a node", operation);
  std::abort();
}

// The axis attributes of a stack: size, start, end, centre.
struct AxisAttributes {
  ZRAttribute size, start, end, centre;
};

AxisAttributes axisAttributes(int axis) {
  if (axis == ZRAxisHorizontal)
    return {ZRAttributeWidth, ZRAttributeLeading, ZRAttributeTrailing, ZRAttributeCenterX};
  return {ZRAttributeHeight, ZRAttributeTop, ZRAttributeBottom, ZRAttributeCenterY};
}

}  // namespace

const char* ZRPrivateVarName(ZRPrivateVar which) {
  return which == ZRPrivateVarIntrinsicHeight ? "IntrinsicHeight" : "IntrinsicWidth";
}

ZRConstraintsLayout::ZRConstraintsLayout() = default;
ZRConstraintsLayout::~ZRConstraintsLayout() = default;

double ZRConstraintsLayout::strengthForPriority(int priority) {
  if (priority > 9999) return cassowary::strength::required;
  const double p = priority;
  return cassowary::strength::clip(p * p);
}

void ZRConstraintsLayout::clear() {
  solver_.reset();
  variables_.clear();
  laidOut_.clear();
  refused_ = 0;
}

Variable ZRConstraintsLayout::variableFor(ZRDrawNode* node, int key, const char* attributeName) {
  auto found = variables_.find({node, key});
  if (found != variables_.end()) return found->second;
  Variable v(node->name + "__" + attributeName, new ZRConstraintDataContext(node, key));
  variables_.emplace(std::make_pair(static_cast<const ZRDrawNode*>(node), key), v);
  return v;
}

Variable ZRConstraintsLayout::addOrGetVariable(ZRDrawNode* node, ZRAttribute attribute) {
  requireNode(node, "addOrGetVariable");
  return variableFor(node, attribute, ZRAttributeName(attribute));
}

Variable ZRConstraintsLayout::addOrGetPrivateVariable(ZRDrawNode* node, ZRPrivateVar which) {
  requireNode(node, "addOrGetPrivateVariable");
  return variableFor(node, 100 + which, ZRPrivateVarName(which));
}

bool ZRConstraintsLayout::add(const Constraint& constraint, const ZRDrawNode* node, const char* what) {
  const cassowary::Result result = solver_.addConstraint(constraint);
  if (result == cassowary::Result::kOk) return true;
  ++refused_;
  if (refused_ <= kRefusalsLogged) {
    ZRLOG("error: layout: %s of node '%s' left out: %s", what, node->name.c_str(),
          cassowary::resultText(result));
  }
  return false;
}

void ZRConstraintsLayout::addEdit(const Variable& variable, double strength) {
  const cassowary::Result result = solver_.addEditVariable(variable, strength);
  if (result != cassowary::Result::kOk && result != cassowary::Result::kDuplicateEditVariable) {
    ZRLOG("error: layout: edit variable '%s' refused: %s", variable.name().c_str(),
          cassowary::resultText(result));
  }
}

void ZRConstraintsLayout::suggest(const Variable& variable, double value) {
  // A node shown after the constraints were built has no edit variables: the solver would refuse it.
  if (solver_.hasEditVariable(variable)) solver_.suggestValue(variable, value);
}

bool ZRConstraintsLayout::addConstraint(ZRDrawNode* node1, ZRAttribute attribute1,
                                        ZRConstraintRelation relation, ZRDrawNode* node2,
                                        ZRAttribute attribute2, float multiplier, float constant,
                                        int priority) {
  if (node1 == nullptr || attribute1 == ZRAttributeNone) return true;
  std::vector<Term> terms{Term(addOrGetVariable(node1, attribute1), 1.0)};
  if (node2 != nullptr && attribute2 != ZRAttributeNone) {
    terms.emplace_back(addOrGetVariable(node2, attribute2), -static_cast<double>(multiplier));
  }
  const auto op = static_cast<cassowary::RelationalOperator>(relation);
  return add(Constraint(combine(terms, -static_cast<double>(constant)), op, strengthForPriority(priority)),
             node1, "constraint");
}

void ZRConstraintsLayout::addSpecialSpacingConstraint(ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c, int kind) {
  requireNode(a, "addSpecialSpacingConstraint");
  requireNode(b, "addSpecialSpacingConstraint");
  requireNode(c, "addSpecialSpacingConstraint");
  ZRAttribute end, start;
  switch (kind) {
    case 1:
      end = ZRAttributeTrailing, start = ZRAttributeLeading;
      break;
    case 2:
      end = ZRAttributeBottom, start = ZRAttributeTop;
      break;
    case 3:
      end = start = ZRAttributeCenterX;
      break;
    case 4:
      end = start = ZRAttributeCenterY;
      break;
    default:
      return;
  }
  // b.start - a.end - (c.start - b.end) = 0
  const std::vector<Term> terms{Term(addOrGetVariable(b, start), 1), Term(addOrGetVariable(a, end), -1),
                                Term(addOrGetVariable(c, start), -1), Term(addOrGetVariable(b, end), 1)};
  add(Constraint(combine(terms, 0), cassowary::OP_EQ), b, "stack spacing");
}

void ZRConstraintsLayout::addDefaultConstraintsForAll(ZRDrawNode* node, bool isRoot) {
  requireNode(node, "addDefaultConstraintsForAll");
  addDefaultConstraintsForNode(node, isRoot);
  addStackConstraintsForNode(node);
  for (ZRDrawNode* child : node->children) {
    if (child->shown) addDefaultConstraintsForAll(child, false);
  }
}

void ZRConstraintsLayout::addDefaultConstraintsForNode(ZRDrawNode* node, bool isRoot) {
  requireNode(node, "addDefaultConstraintsForNode");
  laidOut_.insert(node);
  const Variable W = addOrGetVariable(node, ZRAttributeWidth), H = addOrGetVariable(node, ZRAttributeHeight);
  const Variable L = addOrGetVariable(node, ZRAttributeLeading),
                 T = addOrGetVariable(node, ZRAttributeTrailing);
  const Variable Tp = addOrGetVariable(node, ZRAttributeTop), B = addOrGetVariable(node, ZRAttributeBottom);
  const Variable CX = addOrGetVariable(node, ZRAttributeCenterX),
                 CY = addOrGetVariable(node, ZRAttributeCenterY);
  const Variable FB = addOrGetVariable(node, ZRAttributeFirstBaseline);
  const Variable LB = addOrGetVariable(node, ZRAttributeLastBaseline);
  const Variable IW = addOrGetPrivateVariable(node, ZRPrivateVarIntrinsicWidth);
  const Variable IH = addOrGetPrivateVariable(node, ZRPrivateVarIntrinsicHeight);
  using cassowary::OP_EQ;
  using cassowary::OP_GE;
  using cassowary::OP_LE;
  const double required = cassowary::strength::required;
  add(Constraint(combine({Term(T, 1), Term(L, -1), Term(W, -1)}, 0), OP_EQ, required), node, "trailing edge");
  add(Constraint(combine({Term(CX, 1), Term(L, -1), Term(W, -0.5)}, 0), OP_EQ, required), node, "centre x");
  add(Constraint(combine({Term(B, 1), Term(Tp, -1), Term(H, -1)}, 0), OP_EQ, required), node, "bottom edge");
  add(Constraint(combine({Term(CY, 1), Term(Tp, -1), Term(H, -0.5)}, 0), OP_EQ, required), node, "centre y");
  add(Constraint(combine({Term(W, 1)}, -1), OP_GE, required), node, "least width");
  add(Constraint(combine({Term(H, 1)}, -1), OP_GE, required), node, "least height");
  add(Constraint(combine({Term(FB, 1), Term(CY, -1)}, 0), OP_EQ, required), node, "first baseline");
  add(Constraint(combine({Term(LB, 1), Term(CY, -1)}, 0), OP_EQ, required), node, "last baseline");
  add(Constraint(combine({Term(W, 1), Term(IW, -1)}, 0), OP_GE,
                 strengthForPriority(node->priorityCompressionResistanceH)),
      node, "compression resistance h");
  add(Constraint(combine({Term(W, 1), Term(IW, -1)}, 0), OP_LE,
                 strengthForPriority(node->priorityContentHuggingH)),
      node, "content hugging h");
  add(Constraint(combine({Term(H, 1), Term(IH, -1)}, 0), OP_GE,
                 strengthForPriority(node->priorityCompressionResistanceV)),
      node, "compression resistance v");
  add(Constraint(combine({Term(H, 1), Term(IH, -1)}, 0), OP_LE,
                 strengthForPriority(node->priorityContentHuggingV)),
      node, "content hugging v");
  if (isRoot) {
    addEdit(W, kEditWindow);
    addEdit(H, kEditWindow);
    addEdit(L, kEditStrong);
    addEdit(Tp, kEditStrong);
  }
  addEdit(IW, kEditStrong);
  addEdit(IH, kEditStrong);
}

void ZRConstraintsLayout::addStackConstraintsForNode(ZRDrawNode* stack) {
  requireNode(stack, "addStackConstraintsForNode");
  if (stack->stackAxis != ZRAxisHorizontal && stack->stackAxis != ZRAxisVertical) return;
  const bool horizontal = stack->stackAxis == ZRAxisHorizontal;
  const AxisAttributes axis = axisAttributes(stack->stackAxis);
  const float s = stack->stackSpacing;
  auto required = [&](ZRDrawNode* a, ZRAttribute aa, ZRConstraintRelation rel, ZRDrawNode* b, ZRAttribute ba,
                      float multiplier,
                      float constant) { addConstraint(a, aa, rel, b, ba, multiplier, constant, kRequired); };

  std::vector<ZRDrawNode*> shown;
  for (ZRDrawNode* child : stack->children) {
    if (child->shown) shown.push_back(child);
  }
  // Hidden children take no place: the shown ones are stacked as if the hidden ones were not there.
  for (size_t k = 0; k < shown.size(); ++k) {
    ZRDrawNode* C = shown[k];
    ZRDrawNode* F = shown[0];
    if (k == 0) {
      required(C, axis.start, ZRRelationEqual, stack, axis.start, 1, 0);
    } else {
      ZRDrawNode* P = shown[k - 1];
      ZRDrawNode* PP = k >= 2 ? shown[k - 2] : nullptr;
      switch (stack->stackDistribution) {
        case ZRDistributionFillEqually:
          required(C, axis.size, ZRRelationEqual, F, axis.size, 1, 0);
          required(C, axis.start, ZRRelationEqual, P, axis.end, 1, s);
          break;
        case ZRDistributionFillProportionally: {
          const float own = horizontal ? C->intrinsicWidth : C->intrinsicHeight;
          const float first = horizontal ? F->intrinsicWidth : F->intrinsicHeight;
          // Without two sizes to compare the children share equally.
          const float ratio = own > 0 && first > 0 ? own / first : 1.0f;
          required(C, axis.size, ZRRelationEqual, F, axis.size, ratio, 0);
          required(C, axis.start, ZRRelationEqual, P, axis.end, 1, s);
          break;
        }
        case ZRDistributionEqualSpacing:
          if (PP != nullptr) addSpecialSpacingConstraint(PP, P, C, horizontal ? 1 : 2);
          required(C, axis.start, ZRRelationGreaterOrEqual, P, axis.end, 1, 0);
          break;
        case ZRDistributionEqualCentering:
          if (PP != nullptr) addSpecialSpacingConstraint(PP, P, C, horizontal ? 3 : 4);
          required(C, axis.start, ZRRelationGreaterOrEqual, P, axis.end, 1, 0);
          break;
        default:  // Fill
          required(C, axis.start, ZRRelationEqual, P, axis.end, 1, s);
          break;
      }
    }
    if (k + 1 == shown.size()) required(C, axis.end, ZRRelationEqual, stack, axis.end, 1, 0);

    auto same = [&](ZRAttribute attribute) {
      required(C, attribute, ZRRelationEqual, stack, attribute, 1, 0);
    };
    const int alignment = stack->stackAlignment;
    if (horizontal) {
      if (alignment == ZRAlignmentFill) {
        same(ZRAttributeTop);
        same(ZRAttributeHeight);
      } else if (alignment == ZRAlignmentTop) {
        same(ZRAttributeTop);
      } else if (alignment == ZRAlignmentFirstBaseline) {
        same(ZRAttributeFirstBaseline);
      } else if (alignment == ZRAlignmentCenter) {
        same(ZRAttributeCenterY);
      } else if (alignment == ZRAlignmentBottom) {
        same(ZRAttributeBottom);
      } else if (alignment == ZRAlignmentLastBaseline) {
        same(ZRAttributeLastBaseline);
      }
    } else {
      if (alignment == ZRAlignmentFill) {
        same(ZRAttributeLeading);
        same(ZRAttributeWidth);
      } else if (alignment == ZRAlignmentLeading) {
        same(ZRAttributeLeading);
      } else if (alignment == ZRAlignmentCenter) {
        same(ZRAttributeCenterX);
      } else if (alignment == ZRAlignmentTrailing) {
        same(ZRAttributeTrailing);
      }
    }
  }
}

void ZRConstraintsLayout::measureLayout(ZRDrawNode* node) {
  requireNode(node, "measureLayout");
  if (node->children.empty()) return;
  std::vector<ZRDrawNode*> shown;
  for (ZRDrawNode* child : node->children) {
    if (!child->shown) continue;
    measureLayout(child);
    shown.push_back(child);
  }
  const bool horizontal = node->stackAxis == ZRAxisHorizontal;
  const float s = node->stackSpacing;
  float along = 0, across = 0;
  for (size_t k = 0; k < shown.size(); ++k) {
    // A size the skin left out (-1) counts as nothing.
    const float w = std::max(0.0f, shown[k]->intrinsicWidth), h = std::max(0.0f, shown[k]->intrinsicHeight);
    along += (horizontal ? w : h) + (k + 1 < shown.size() ? s : 0);
    across = std::max(across, horizontal ? h : w);
  }
  node->intrinsicWidth = horizontal ? along : across;
  node->intrinsicHeight = horizontal ? across : along;
}

void ZRConstraintsLayout::suggestValues(ZRDrawNode* node, bool isRoot) {
  requireNode(node, "suggestValues");
  if (isRoot) {
    suggest(addOrGetVariable(node, ZRAttributeWidth), node->width);
    suggest(addOrGetVariable(node, ZRAttributeHeight), node->height);
    suggest(addOrGetVariable(node, ZRAttributeLeading), node->x);
    suggest(addOrGetVariable(node, ZRAttributeTop), node->y);
  }
  if (hasNode(node)) {
    suggest(addOrGetPrivateVariable(node, ZRPrivateVarIntrinsicWidth), node->intrinsicWidth);
    suggest(addOrGetPrivateVariable(node, ZRPrivateVarIntrinsicHeight), node->intrinsicHeight);
  }
  for (ZRDrawNode* child : node->children) {
    if (child->shown) suggestValues(child, false);
  }
}

void ZRConstraintsLayout::applyLayout(ZRDrawNode* node) {
  requireNode(node, "applyLayout");
  if (hasNode(node)) {
    float left = static_cast<float>(addOrGetVariable(node, ZRAttributeLeading).value());
    float top = static_cast<float>(addOrGetVariable(node, ZRAttributeTop).value());
    if (node->isRelative && node->parent != nullptr) {
      float px, py;
      node->parent->getAbsolutePosition(px, py);
      left -= px;
      top -= py;
    }
    node->setX(left);
    node->setY(top);
    node->changeSize(static_cast<float>(addOrGetVariable(node, ZRAttributeWidth).value()),
                     static_cast<float>(addOrGetVariable(node, ZRAttributeHeight).value()));
  }
  for (ZRDrawNode* child : node->children) {
    if (child->shown) applyLayout(child);
  }
}

void ZRConstraintsLayout::layout(ZRDrawNode* root, bool printValues, bool printSolver) {
  requireNode(root, "layout");
  measureLayout(root);
  suggestValues(root, true);
  solver_.updateVariables();
  applyLayout(root);
  if (printValues) {
    std::printf("layout of the skin (x, y, width, height):\n");
    print(root, 0);
    if (printSolver)
      std::printf("------------------------------------------------\n%s\n", solver_.dumps().c_str());
  }
}

void ZRConstraintsLayout::print(ZRDrawNode* node, int depth) {
  if (!node->shown) return;
  std::printf("%*s%s: %.1f, %.1f, %.1f, %.1f\n", depth * 4, "", node->name.c_str(),
              static_cast<double>(node->x), static_cast<double>(node->y), static_cast<double>(node->width),
              static_cast<double>(node->height));
  for (ZRDrawNode* child : node->children) print(child, depth + 1);
}
