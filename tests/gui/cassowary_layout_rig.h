#pragma once
// A miniature of the skin's constraint layout for the solver's tests and benchmark: nodes with edge, size,
// centre, baseline and intrinsic-size variables, the default ties between them, hugging and compression
// resistance, stack containers along an axis, and edit variables for the window and the intrinsic sizes,
// solved the way the skin engine does it (build once, then suggest and update on every resize).

#include <deque>
#include <string>
#include <vector>

#include "gui/cassowary_solver.h"

namespace cassowary_rig {

enum class Axis { kNone, kHorizontal, kVertical };
enum class Distribution { kFill, kFillEqually, kFillProportionally, kEqualSpacing, kEqualCentering };
enum class Alignment { kFill, kStart, kCenter, kEnd };

inline constexpr double kWindowStrength = 10000.0;
inline constexpr double kIntrinsicStrength = 990990990.0;
inline constexpr double kCompressionResistance = 1000.0 * 1000.0;  // priority 1000, squared
inline constexpr double kHugging = 10.0 * 10.0;                    // priority 10, squared

struct Node {
  explicit Node(const std::string& name)
      : leading(name + "__Leading"),
        trailing(name + "__Trailing"),
        top(name + "__Top"),
        bottom(name + "__Bottom"),
        width(name + "__Width"),
        height(name + "__Height"),
        centerX(name + "__CenterX"),
        centerY(name + "__CenterY"),
        firstBaseline(name + "__FirstBaseline"),
        lastBaseline(name + "__LastBaseline"),
        intrinsicWidth(name + "__IntrinsicWidth"),
        intrinsicHeight(name + "__IntrinsicHeight") {}

  cassowary::Variable leading, trailing, top, bottom, width, height, centerX, centerY, firstBaseline,
      lastBaseline, intrinsicWidth, intrinsicHeight;
  double iw = 0.0, ih = 0.0;  // intrinsic size (leaves: from the skin; stacks: measured)
  Axis axis = Axis::kNone;
  Distribution distribution = Distribution::kFill;
  Alignment alignment = Alignment::kFill;
  double spacing = 0.0;
  std::vector<Node*> children;

  double x() const { return leading.value(); }
  double y() const { return top.value(); }
  double w() const { return width.value(); }
  double h() const { return height.value(); }
};

class Layout {
 public:
  Node& add(Node* parent, double iw, double ih) {
    nodes_.emplace_back("n" + std::to_string(nodes_.size()));
    Node& node = nodes_.back();
    node.iw = iw;
    node.ih = ih;
    if (parent) parent->children.push_back(&node);
    return node;
  }
  Node& root() { return nodes_.front(); }
  cassowary::Solver& solver() { return solver_; }
  // Constraints the solver refused while building (0 for a sound layout).
  int refused() const { return refused_; }

  void build() {
    measure(root());
    addConstraintsFor(root(), true);
  }

  // A window resize: the root's rectangle and every node's intrinsic size, then the solution.
  void layout(double windowWidth, double windowHeight) {
    Node& r = root();
    solver_.suggestValue(r.width, windowWidth);
    solver_.suggestValue(r.height, windowHeight);
    solver_.suggestValue(r.leading, 0.0);
    solver_.suggestValue(r.top, 0.0);
    for (Node& node : nodes_) {
      solver_.suggestValue(node.intrinsicWidth, node.iw);
      solver_.suggestValue(node.intrinsicHeight, node.ih);
    }
    solver_.updateVariables();
  }

 private:
  void require(const cassowary::Constraint& constraint) {
    if (solver_.addConstraint(constraint) != cassowary::Result::kOk) ++refused_;
  }

  void measure(Node& node) {
    if (node.children.empty()) return;
    double along = 0.0, across = 0.0;
    for (size_t i = 0; i < node.children.size(); ++i) {
      Node* child = node.children[i];
      measure(*child);
      const bool horizontal = node.axis == Axis::kHorizontal;
      const double size = horizontal ? child->iw : child->ih;
      const double other = horizontal ? child->ih : child->iw;
      along += size + (i + 1 < node.children.size() ? node.spacing : 0.0);
      if (other > across) across = other;
    }
    if (node.axis == Axis::kHorizontal) {
      node.iw = along;
      node.ih = across;
    } else {
      node.iw = across;
      node.ih = along;
    }
  }

  void addConstraintsFor(Node& n, bool isRoot) {
    using cassowary::Constraint;
    require(n.trailing == n.leading + n.width);
    require(n.centerX == n.leading + 0.5 * n.width);
    require(n.bottom == n.top + n.height);
    require(n.centerY == n.top + 0.5 * n.height);
    require(n.width >= 1.0);
    require(n.height >= 1.0);
    require(n.firstBaseline == n.centerY);
    require(n.lastBaseline == n.centerY);
    require((n.width >= n.intrinsicWidth) | kCompressionResistance);
    require((n.width <= n.intrinsicWidth) | kHugging);
    require((n.height >= n.intrinsicHeight) | kCompressionResistance);
    require((n.height <= n.intrinsicHeight) | kHugging);
    if (isRoot) {
      solver_.addEditVariable(n.width, kWindowStrength);
      solver_.addEditVariable(n.height, kWindowStrength);
      solver_.addEditVariable(n.leading, kIntrinsicStrength);
      solver_.addEditVariable(n.top, kIntrinsicStrength);
    }
    solver_.addEditVariable(n.intrinsicWidth, kIntrinsicStrength);
    solver_.addEditVariable(n.intrinsicHeight, kIntrinsicStrength);
    addStackConstraints(n);
    for (Node* child : n.children) addConstraintsFor(*child, false);
  }

  void addStackConstraints(Node& s) {
    if (s.axis == Axis::kNone) return;
    const bool h = s.axis == Axis::kHorizontal;
    auto start = [h](Node& n) -> cassowary::Variable& { return h ? n.leading : n.top; };
    auto end = [h](Node& n) -> cassowary::Variable& { return h ? n.trailing : n.bottom; };
    auto size = [h](Node& n) -> cassowary::Variable& { return h ? n.width : n.height; };
    auto centre = [h](Node& n) -> cassowary::Variable& { return h ? n.centerX : n.centerY; };
    Node* first = s.children.empty() ? nullptr : s.children.front();
    for (size_t i = 0; i < s.children.size(); ++i) {
      Node& c = *s.children[i];
      if (i == 0) {
        require(start(c) == start(s));
      } else {
        Node& p = *s.children[i - 1];
        switch (s.distribution) {
          case Distribution::kFill:
            require(start(c) == end(p) + s.spacing);
            break;
          case Distribution::kFillEqually:
            require(size(c) == size(*first));
            require(start(c) == end(p) + s.spacing);
            break;
          case Distribution::kFillProportionally: {
            const double ratio = (h ? c.iw / first->iw : c.ih / first->ih);
            require(size(c) == ratio * size(*first));
            require(start(c) == end(p) + s.spacing);
            break;
          }
          case Distribution::kEqualSpacing:
          case Distribution::kEqualCentering: {
            const bool spacing = s.distribution == Distribution::kEqualSpacing;
            if (i >= 2) {
              Node& pp = *s.children[i - 2];
              if (spacing) {
                require(start(p) - end(pp) == start(c) - end(p));
              } else {
                require(centre(p) - centre(pp) == centre(c) - centre(p));
              }
            }
            require(start(c) >= end(p));
            break;
          }
        }
      }
      if (i + 1 == s.children.size()) require(end(c) == end(s));
      // Across the axis.
      cassowary::Variable& crossStart = h ? c.top : c.leading;
      cassowary::Variable& crossEnd = h ? c.bottom : c.trailing;
      cassowary::Variable& crossCentre = h ? c.centerY : c.centerX;
      cassowary::Variable& crossSize = h ? c.height : c.width;
      switch (s.alignment) {
        case Alignment::kFill:
          require(crossStart == (h ? s.top : s.leading));
          require(crossSize == (h ? s.height : s.width));
          break;
        case Alignment::kStart:
          require(crossStart == (h ? s.top : s.leading));
          break;
        case Alignment::kCenter:
          require(crossCentre == (h ? s.centerY : s.centerX));
          break;
        case Alignment::kEnd:
          require(crossEnd == (h ? s.bottom : s.trailing));
          break;
      }
    }
  }

  cassowary::Solver solver_;
  std::deque<Node> nodes_;
  int refused_ = 0;
};

}  // namespace cassowary_rig
