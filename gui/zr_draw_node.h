#pragma once
// ZRDrawNode: the base of every skin element. A node is a rectangle in skin points with a place in the
// node tree (a parent, children in z-order), the common skin attributes (position, size, hidden, disabled,
// state pictures, hint, stack settings), an optional GPU texture and CPU drawing context, pointer state of
// the three mouse buttons, keyboard and MIDI shortcuts, drag-and-drop hooks, a row of action slots, and one
// virtual entry point for every input event, executeAction.
//
// Nodes are created and owned by the node manager (gui/zr_node_manager.h): a node never deletes its
// children. A node is created hidden and enabled, at 0,0 with size 128 x 128.
//
// Threads and the lock:
// - The render thread draws nodes (render) inside the manager's lock.
// - The main thread routes input to nodes (executeActionInternal, focus, drag state) without the lock.
// - The GUI tick (render thread) and MIDI events write control values into nodes without the lock.
// - The tree itself (parent, children, the node's name and extra name, scale) and the textures change only
//   under the manager's lock: during a skin load, a relayout, and on the render thread. Code outside those
//   must not call reparent, addChild, removeAllChildren, sortByZOrder, setExtraName or setScale.
// - The pointer fields (buttonDown, pressX/Y, mouseInside, dragStarted) are the main thread's; the render
//   thread may read them to pick a picture, never to decide anything.
// The node takes no lock except its own small text lock around the hint and shortcuts texts.

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/skin_name_decoders.h"
#include "common/zr_string.h"
#include "gui/zr_node_events.h"

class ZRNodeManager;
class ZRParameterList;
class ZRTexture;
class ZRDrawContext;
class ZRHighPrecisionTimeCounter;

// The drop handler a binding installs on a node: (node, payload, x, y, testOnly) -> accepted.
using ZRDropCallbackUser = bool (*)(ZRDrawNode* node, ZRDragDropPayload payload, float x, float y,
                                    bool testOnly);

class ZRDrawNode {
 public:
  static constexpr int kMaxShortcutsKB = 8;

  // Sets the fields, writes the name ("d%d__%d" of deck and id) and appends itself to parent's children
  // when a parent is given. manager may be null (a detached node: no learn mode, no drags, no skin image).
  ZRDrawNode(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck, int actionCode);
  // Detaches the children (their parent becomes null; they are not deleted) and frees the texture, the
  // drawing context and the double-click timer.
  virtual ~ZRDrawNode();
  ZRDrawNode(const ZRDrawNode&) = delete;
  ZRDrawNode& operator=(const ZRDrawNode&) = delete;

  // ---- virtual operations ---------------------------------------------------------------------------------

  // Stores the scale and gives it to the texture; with the flag, setScale(scale, false) on each direct child.
  virtual void setScale(float scale, bool applyToChildren);
  // Leaves the old parent (every entry of this node there), then is appended to newParent (may be null).
  virtual void reparent(ZRDrawNode* newParent);
  // Reads the common skin attributes (see the .cpp). Controls override it, call this first and then read
  // their own attributes. A null list does nothing.
  virtual void refreshCoordinates(ZRParameterList* attributes);
  virtual void show(int state, bool applyToChildren);
  virtual void enable(int state, bool applyToChildren);
  // Draws the node at absolute (x, y). The base clears contentInvalid and, when shown, renders every child
  // in list order at its own position (offset by (x, y) when the child is relative). Controls draw themselves
  // (redrawing their texture first when contentInvalid is set) and then call this for their children.
  virtual void render(double dt, float x, float y);
  // Deletes the texture and sets contentInvalid (render thread, or with no GL context ever made).
  virtual void destroyTexture();
  // A drawing context of width x height points (negative: the node's own size) at the node's scale; an
  // existing one of the same size and scale is kept.
  virtual void createDrawContext(int width, int height);
  // Uploads the drawing context into the texture, creating the texture on first use (render thread).
  virtual void updateTextureFromDrawContext();
  // The event entry of a node class (arguments as executeActionInternal's). The base handles nothing.
  virtual bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                             int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck);
  virtual bool canHaveKBFocus() { return false; }
  virtual bool canPassUntreatedKBEvents() { return true; }
  virtual void setCanUseLearn(bool on) { canUseLearn = on; }
  virtual bool getCanUseLearn() { return canUseLearn; }
  // Whether the node takes the payload at (x, y) node points; with testOnly it only answers. Base: refuses.
  virtual bool dropCallback(ZRDragDropPayload payload, float x, float y, bool testOnly);
  // The user drop handler when one is installed, else dropCallback.
  virtual bool internalDropCallback(ZRDragDropPayload payload, float x, float y, bool testOnly);
  // A value of 0 or less keeps the current one.
  virtual void changeSize(float width, float height);
  virtual void setX(float value) { x = value; }
  virtual void setY(float value) { y = value; }
  // A relative node stores the value as its relative position.
  virtual void setAbsolutePositionX(float value) { setX(value); }
  virtual void setAbsolutePositionY(float value) { setY(value); }
  virtual int getDefaultPriorityContentHuggingH() { return 10; }
  virtual int getDefaultPriorityContentHuggingV() { return 10; }
  virtual int getDefaultPriorityCompressionResistanceH() { return 1000; }
  virtual int getDefaultPriorityCompressionResistanceV() { return 1000; }

  // ---- tree ---------------------------------------------------------------------------------------------

  void addChild(ZRDrawNode* child);
  // With the flag every child's parent becomes null; the list is emptied; children are not deleted.
  void removeAllChildren(bool detach);
  // Stable sort by ascending zOrder.
  void sortByZOrder();
  // True when node is this node or one of its ancestors.
  bool isSelfOrAncestor(const ZRDrawNode* node) const;
  void setExtraName(const ZRString& text);
  bool getIsShownAndTestParentsToo() const;
  bool getIsNodeOrAnyOfItsParentsHidden() const;
  // x, y; for a relative node plus the positions of its ancestors up to and including the first ancestor
  // that is not relative.
  void getAbsolutePosition(float& outX, float& outY) const;
  float getAbsolutePositionX() const;
  // Shown, enabled, no ancestor hidden, and absX <= px < absX + width, absY <= py < absY + height.
  bool isCoordinateInside(float px, float py) const;
  // destroyTexture on this node and its whole subtree, then the manager's skin-image textures (render
  // thread, before the GL context goes away).
  void destroyAllGraphicsResources();

  // ---- input ----------------------------------------------------------------------------------------------

  // The only way events reach nodes from the routers: learn mode swallows codes 0..7 on learnable nodes (a
  // press selects the node), a quick second left press becomes a double click, press points are kept per
  // button. Returns executeAction's answer (true when swallowed by learn mode).
  bool executeActionInternal(int code, int value, float x, float y, int button, int key, int modifiers,
                             int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck);
  // Whether the time between two left presses makes the second a double click (100 ms < t <= 500 ms).
  static bool isDoubleClickInterval(long long milliseconds) {
    return milliseconds > 100 && milliseconds <= 500;
  }
  // Asks the manager to start a drag with the payload; false without a manager or while a drag runs.
  bool startDrag(ZRDragDropPayload payload);
  // The left button is held on the node, no drag started from this press, and (x, y) (node points) is more
  // than 2 points from the press point in x or in y.
  bool canStartDrag(float px, float py) const;
  void setDropCallbackUser(ZRDropCallbackUser fn) { dropCallbackUser = fn; }
  // true creates the double-click timer (once), false deletes it.
  void setDoubleClickAllowed(bool allowed);

  // ---- action slots ---------------------------------------------------------------------------------------

  int getActionSlotCount() const { return static_cast<int>(actionSlots.size()); }
  // False (nothing stored) for a slot the class does not have.
  bool setActionSlot(int slot, ZRActionCallback fn);
  ZRActionCallback getActionSlot(int slot) const;
  // Calls the slot with (value, actionCode, deck, this) when it is bound; false when it is not.
  bool callActionSlot(int slot, int value);

  // ---- shortcuts ------------------------------------------------------------------------------------------

  int getTotalShortcutsKB() const { return totalShortcutsKB; }
  int getTotalShortcutsMIDI() const { return totalShortcutsMIDI; }
  // Ignored for a slot outside the node's keyboard slots.
  void setKBShortcut(int slot, int key, int modifiers);
  // 0 and 0 for a slot outside the node's keyboard slots.
  void getKBShortcut(int slot, int& key, int& modifiers) const;
  void setMIDIShortcut(int channel, bool isNote, int number, bool toggle);
  void getMIDIShortcut(int& channel, bool& isNote, int& number, bool& toggle) const;
  // executeAction (not through executeActionInternal: learn mode does not apply) with code 12 and the value
  // as key.
  bool runKBShortcut(int value);
  // Rebuilds the shortcuts line from the keyboard and MIDI shortcuts.
  void updateShortcutsString();

  // ---- hint -----------------------------------------------------------------------------------------------

  // The hint text (skin attribute "hint" or the bindings) and the shortcuts line ("Shortcuts: ..."): written
  // on the main thread and on the render thread (MIDI learn), read by the hint bubble, so both sit behind
  // the node's own text lock.
  void setHintText(const ZRString& text);
  ZRString getHintText() const;
  ZRString getShortcutsText() const;

  // ---- the skin image -------------------------------------------------------------------------------------

  // The skin image part texture holding skin row y, and the row inside it (see ZRNodeManager). The node must
  // have a manager.
  ZRTexture* getMainTexture(int y, int& yInPart, bool unscaled);
  // The part textures' drawRect, drawRectInRect and drawRectInRectWithMask with the source rectangle in
  // skin points of the stacked image: the source y is truncated to a whole point and replaced by the row in
  // the part holding it (a rectangle is taken from the part of its top row). Nothing is drawn outside the
  // image or before the part's texture exists (render thread).
  void mainTexture_drawRect(float srcX, float srcY, float width, float height, float dstX, float dstY,
                            int blend, float scaleX, float scaleY, float rotation, float alpha);
  void mainTexture_drawRectInRect(float srcX, float srcY, float srcW, float srcH, float dstX, float dstY,
                                  float dstW, float dstH, int blend, bool unused, bool flipV);
  void mainTexture_drawRectInRectWithMask(float srcX, float srcY, float width, float height, float dstX,
                                          float dstY, ZRTexture* mask1, float mask1X, float mask1Y,
                                          ZRTexture* mask2, float mask2X, float mask2Y, float scaleX,
                                          float scaleY, float rotation);

  // ---- data (the fields controls and the manager read and write) -----------------------------------------

  int mouseTouched = 0;  // topmost node under the pointer in the current event (the router's mark)
  bool isExtraNode = false;
  ZRString extraName;  // action text of a skin-script node (starts with "_")
  int elementType = -1;
  int stackAxis = ZRAxisNone;
  int stackDistribution = ZRDistributionFill;
  int stackAlignment = ZRAlignmentFill;
  float stackSpacing = 0;
  ZRNodeManager* manager;
  ZRDrawNode* parent = nullptr;
  int actionCode;  // the param of the node's action slots
  int id;          // action index of a table node, running number of a skin-script node, -1 otherwise
  int deck;        // -1 global, 0 or 1, -2 skin-script node
  int shown = 0;
  int enabled = 1;
  bool isRelative = false;
  int skinHidden = 0;
  int skinDisabled = 0;
  int buttonDown[3] = {0, 0, 0};
  float pressX[3] = {-1, -1, -1};
  float pressY[3] = {-1, -1, -1};
  bool dragStarted = false;
  int mouseInside = 0;
  bool contentInvalid = false;
  std::unique_ptr<ZRTexture> texture;
  std::unique_ptr<ZRDrawContext> drawContext;
  int drawContextWidth = -1;
  int drawContextHeight = -1;
  int zOrder = 0;
  float x = 0, y = 0, width = 128, height = 128;
  float scale;
  float upx = 0, upy = 0, overx = 0, overy = 0, downx = 0, downy = 0;
  float selx = 0, sely = 0, overselx = 0, oversely = 0, downselx = 0, downsely = 0;
  float maskx = -1, masky = -1;
  std::vector<ZRDrawNode*> children;  // in z-order; not owned
  std::unique_ptr<ZRHighPrecisionTimeCounter> doubleClickTimer;
  bool doubleClickAllowed = false;
  ZRDropCallbackUser dropCallbackUser = nullptr;
  bool canUseLearn = false;
  int totalShortcutsKB = 0;  // at most kMaxShortcutsKB
  int totalShortcutsMIDI = 0;
  int midiChannel = 0;
  int midiNumber = -1;
  bool midiIsNote = false;
  bool midiToggle = false;
  std::array<int, kMaxShortcutsKB> kbKey;
  std::array<int, kMaxShortcutsKB> kbModifiers;
  std::string name;  // "d%d__%d" of deck and id
  float intrinsicWidth = 128, intrinsicHeight = 128;
  int priorityContentHuggingH = 10, priorityContentHuggingV = 10;
  int priorityCompressionResistanceH = 1000, priorityCompressionResistanceV = 1000;

 protected:
  // Control classes give themselves their row of action slots in their constructor.
  void setActionSlotCount(int count) { actionSlots.assign(count, nullptr); }

 private:
  void writeName();
  void destroyTexturesOfSubtree();

  std::vector<ZRActionCallback> actionSlots;
  mutable std::mutex textLock_;
  ZRString hintText_;
  ZRString shortcutsText_;
};
