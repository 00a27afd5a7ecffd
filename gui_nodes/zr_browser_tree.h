#pragma once
// CTree: the browser tree's own tree of values. Each node has an id (from a counter starting at 0, one per
// added node, never reused), an expanded flag, a value, its parent and its ordered children. The first node
// added becomes the root, whatever parent is asked for.
//
// No lock: the browser guards its tree with its own model lock.

#include <algorithm>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

template <typename T>
class CTree {
 public:
  struct TTreeNode {
    int id = -1;
    bool expanded = false;
    T value;
    TTreeNode* parent = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> children;
  };

  // fn(value, id, depth, expanded)
  using EnumerateFn = std::function<void(const T& value, int id, int depth, bool expanded)>;

  // The new node's id; -1 when the tree has a root and parent is negative or not in the tree. position < 0
  // appends, 0 puts the node first, n > 0 after the n-th child (at the end when there are fewer).
  int AddNode(const T& value, bool expanded, int parent, int position) {
    if (!root_) {
      root_ = std::make_unique<TTreeNode>();
      root_->id = nextId_++;
      root_->expanded = expanded;
      root_->value = value;
      index_[root_->id] = root_.get();
      return root_->id;
    }
    TTreeNode* p = find(parent);
    if (p == nullptr) return -1;
    auto node = std::make_unique<TTreeNode>();
    node->id = nextId_++;
    node->expanded = expanded;
    node->value = value;
    node->parent = p;
    const int id = node->id;
    index_[id] = node.get();
    auto& kids = p->children;
    if (position < 0 || static_cast<size_t>(position) >= kids.size()) {
      kids.push_back(std::move(node));
    } else {
      kids.insert(kids.begin() + position, std::move(node));
    }
    return id;
  }

  TTreeNode* FindNodeRecursive(TTreeNode* from, int id) {
    if (from == nullptr) return nullptr;
    if (from->id == id) return from;
    for (auto& child : from->children) {
      if (TTreeNode* hit = FindNodeRecursive(child.get(), id)) return hit;
    }
    return nullptr;
  }

  // Through the id index (the same answer as FindNodeRecursive from the root, without the walk).
  TTreeNode* find(int id) const {
    if (id < 0) return nullptr;
    auto it = index_.find(id);
    return it != index_.end() ? it->second : nullptr;
  }

  TTreeNode* root() const { return root_.get(); }

  bool GetNode(int id, T* value, bool* expanded) const {
    const TTreeNode* node = find(id);
    if (node == nullptr) return false;
    if (value != nullptr) *value = node->value;
    if (expanded != nullptr) *expanded = node->expanded;
    return true;
  }

  bool SetNode(int id, const T& value, bool expanded) {
    TTreeNode* node = find(id);
    if (node == nullptr) return false;
    node->value = value;
    node->expanded = expanded;
    return true;
  }

  bool SetExpanded(int id, bool expanded) {
    TTreeNode* node = find(id);
    if (node == nullptr) return false;
    node->expanded = expanded;
    return true;
  }

  // Unlinks the node from its parent and frees it with its subtree (the root too).
  bool DeleteNodeAndChildren(int id) {
    TTreeNode* node = find(id);
    if (node == nullptr) return false;
    forget(node);
    if (node->parent == nullptr) {
      root_.reset();
      return true;
    }
    auto& siblings = node->parent->children;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [node](const std::unique_ptr<TTreeNode>& c) { return c.get() == node; }),
                   siblings.end());
    return true;
  }

  bool DeleteNodeChildrenOnly(int id) {
    TTreeNode* node = find(id);
    if (node == nullptr) return false;
    for (auto& child : node->children) forget(child.get());
    node->children.clear();
    return true;
  }

  // fn for the node, then for its children (depth + 1) when it is expanded or all is set.
  void EnumerateNodesRecursive(const TTreeNode* node, const EnumerateFn& fn, int depth, bool all) const {
    if (node == nullptr) return;
    fn(node->value, node->id, depth, node->expanded);
    if (!node->expanded && !all) return;
    for (const auto& child : node->children) EnumerateNodesRecursive(child.get(), fn, depth + 1, all);
  }

  // The ids of a node's children in order.
  std::vector<int> childrenOf(int id) const {
    std::vector<int> ids;
    if (const TTreeNode* node = find(id)) {
      for (const auto& c : node->children) ids.push_back(c->id);
    }
    return ids;
  }

  int parentOf(int id) const {
    const TTreeNode* node = find(id);
    return node != nullptr && node->parent != nullptr ? node->parent->id : -1;
  }

 private:
  // Drops the subtree's ids from the index.
  void forget(TTreeNode* node) {
    index_.erase(node->id);
    for (auto& child : node->children) forget(child.get());
  }

  std::unique_ptr<TTreeNode> root_;
  std::unordered_map<int, TTreeNode*> index_;
  int nextId_ = 0;
};
