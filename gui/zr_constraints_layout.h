#pragma once
// ZRConstraintsLayout: lays out a skin whose root says "useconstraints" with the Cassowary solver, in the
// manner of stack views. Every node has edge, size, centre and baseline variables; default constraints tie
// them together and to the node's size from the skin (its intrinsic size, held by content-hugging and
// compression-resistance priorities); stack containers arrange their shown children along an axis; the
// skin's `constraint` elements add relations between nodes. layout() measures containers, suggests the
// root's rectangle and every node's intrinsic size, solves, and writes positions and sizes into the nodes.
//
// Priorities become solver strengths: above 9999 required, otherwise p x p (1000 strong, about 32
// medium, 1 weak). A required constraint that contradicts the ones already added is refused by the solver:
// the layout logs it (with the nodes' names), counts it and goes on without it, so a contradictory skin
// still loads.
//
// Hidden children take no part: they get no variables and no constraints, a stack places its shown
// children only (the first shown child starts the stack, the last shown one ends it), and a node that was
// hidden when the constraints were built and is shown later keeps the position it has (it has no
// variables) until the next skin load.
//
// Positions written into nodes are absolute skin points; a relative node gets its position relative to
// its parent's.
//
// Threads: the node manager's, main thread, under the manager's lock (skin loads and relayouts on resize).

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "common/skin_name_decoders.h"
#include "gui/cassowary_solver.h"

class ZRDrawNode;

enum ZRPrivateVar : int { ZRPrivateVarIntrinsicWidth = 0, ZRPrivateVarIntrinsicHeight = 1 };

// The names of the private variables ("d0__12__IntrinsicWidth"); attributes are named by ZRAttributeName.
const char* ZRPrivateVarName(ZRPrivateVar which);

// What a solver variable carries: its node and attribute (private variables: 100 + ZRPrivateVar).
class ZRConstraintDataContext : public cassowary::Variable::Context {
 public:
  ZRConstraintDataContext(ZRDrawNode* node, int attribute) : node(node), attribute(attribute) {}
  ZRDrawNode* node;
  int attribute;
};

class ZRConstraintsLayout {
 public:
  ZRConstraintsLayout();
  ~ZRConstraintsLayout();
  ZRConstraintsLayout(const ZRConstraintsLayout&) = delete;
  ZRConstraintsLayout& operator=(const ZRConstraintsLayout&) = delete;

  // The solver strength of a priority.
  static double strengthForPriority(int priority);

  // Forgets every constraint, edit variable and variable (the start of every skin load).
  void clear();

  // The node's variable for the attribute, made on first use. node must not be null.
  cassowary::Variable addOrGetVariable(ZRDrawNode* node, ZRAttribute attribute);
  cassowary::Variable addOrGetPrivateVariable(ZRDrawNode* node, ZRPrivateVar which);

  // node1.attribute1 (relation) multiplier x node2.attribute2 + constant at the priority's strength;
  // without node2 or attribute2 (None): node1.attribute1 (relation) constant. Nothing for attribute1
  // None or a null node1. False when the solver refused the constraint (logged and counted).
  bool addConstraint(ZRDrawNode* node1, ZRAttribute attribute1, ZRConstraintRelation relation,
                     ZRDrawNode* node2, ZRAttribute attribute2, float multiplier, float constant,
                     int priority);
  // b.start - a.end = c.start - b.end, required; kind 1 (Trailing, Leading), 2 (Bottom, Top),
  // 3 (CenterX, CenterX), 4 (CenterY, CenterY) as (end, start); other kinds add nothing.
  void addSpecialSpacingConstraint(ZRDrawNode* a, ZRDrawNode* b, ZRDrawNode* c, int kind);

  // The node's default constraints, its stack constraints, then the same for every shown child.
  void addDefaultConstraintsForAll(ZRDrawNode* node, bool isRoot);
  void addDefaultConstraintsForNode(ZRDrawNode* node, bool isRoot);
  void addStackConstraintsForNode(ZRDrawNode* stack);

  // Replaces the intrinsic size of every node with shown children by its children's measure (depth first).
  void measureLayout(ZRDrawNode* node);
  // The root's rectangle (when isRoot) and the intrinsic sizes of the node and its shown descendants.
  void suggestValues(ZRDrawNode* node, bool isRoot);
  // Writes the solved rectangle into the node and its shown descendants that have variables.
  void applyLayout(ZRDrawNode* node);
  // measureLayout, suggestValues, solve, applyLayout. printValues prints the solved rectangles of the
  // shown nodes to standard output, printSolver also the solver's state.
  void layout(ZRDrawNode* root, bool printValues, bool printSolver);

  // Constraints the solver refused since the last clear.
  int getRefusedCount() const { return refused_; }
  // Whether the node got the layout's variables (it was shown when the constraints were built).
  bool hasNode(const ZRDrawNode* node) const { return laidOut_.count(node) != 0; }

 private:
  struct KeyHash {
    std::size_t operator()(const std::pair<const ZRDrawNode*, int>& key) const {
      return std::hash<const void*>()(key.first) * 31u + static_cast<std::size_t>(key.second);
    }
  };

  cassowary::Variable variableFor(ZRDrawNode* node, int key, const char* attributeName);
  // Adds the constraint; logs and counts a refusal. what names the constraint in the log.
  bool add(const cassowary::Constraint& constraint, const ZRDrawNode* node, const char* what);
  void addEdit(const cassowary::Variable& variable, double strength);
  void suggest(const cassowary::Variable& variable, double value);
  void print(ZRDrawNode* node, int depth);

  std::unordered_map<std::pair<const ZRDrawNode*, int>, cassowary::Variable, KeyHash> variables_;
  std::unordered_set<const ZRDrawNode*> laidOut_;
  cassowary::Solver solver_;
  int refused_ = 0;
};
