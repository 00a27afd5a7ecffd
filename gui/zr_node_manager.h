#pragma once
// ZRNodeManager: the skin engine of the main window (exactly one). It owns every skin node: the node table
// (one node per action of the vocabulary and deck, made once and kept for the whole run), the root (the
// skin window), the hint bubble and the nodes of the current skin's script elements. It owns the skin image
// (up to eight parts stacked vertically) and its textures, the tree lock, the constraint layout and the
// input state: pointer capture, the nodes under the pointer, keyboard focus, learn mode, drag and drop.
//
// Skins only place, show and configure the table nodes; they never create or delete them. Actions a skin
// does not mention keep their nodes hidden and without parent, so bindings and the GUI tick can always
// write to them.
//
// The node table: the node of action a (1..726) for deck d (-1 global, 0, 1) is at a + 727 x (d + 1); a
// global action has a node only in the first block, a per-deck action only in the two deck blocks.
//
// Threads and the lock (a contract for every user of the manager):
// - Main thread: creates and destroys the manager, loads skins (loadSkin), relayouts on resize
//   (setNewWindowSize), routes mouse and keyboard input (actionRouteMouse, actionRouteKeyboard), moves focus,
//   switches learn mode, shows hints, starts and ends drags. Routing takes no lock while it delivers events,
//   so an event handler may load a skin; it learns of a reload through skinReloaded.
// - Render thread: render(dt) draws the tree and creates the skin image textures; the GUI tick writes
//   control values into nodes (no lock); MIDI events reach nodes through executeActionInternal.
// - The tree lock (a write lock, never taken twice by one thread) is held by render, by loadSkin while it
//   changes the tree, by setNewWindowSize while it writes the new layout, and by showHint and the leave pass
//   while they change the bubble (so none of these may be called with the lock held). Every change of the
//   tree (parents, child lists, names, scales, textures, skin-script nodes) is made under it; TreeLock lets
//   other main-thread code do the same.
// - Toolkit calls (cursor, full screen) are made on the main thread: called from another thread they are
//   posted to it (CallAfter) and dropped when the manager is gone by then.
// - learnMode, learnFocusedNode and the cursor kind are atomic: the render thread reads them while the main
//   thread changes them.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/zr_critical_section.h"
#include "common/zr_string.h"
#include "gui/zr_constraints_layout.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_node_classes.h"

class ZRTexture;
class ZRParameterList;
struct _xmlNode;

// The main window as the skin engine sees it. Every call is made on the main thread.
class ZRNodeManagerWindow {
 public:
  virtual ~ZRNodeManagerWindow() = default;
  virtual bool isFullScreen() = 0;
  virtual bool isMaximized() = 0;
  // Told just before the manager leaves full screen.
  virtual void noteLeavingFullScreen() = 0;
  // Enters or leaves full screen with the toolkit's style flags.
  virtual void showFullScreen(bool on, long style) = 0;
  // Shows the cursor of the kind over the skin (ZRNodeManager::cursorType; skinStockCursor maps it).
  virtual void setSkinCursor(int kind) = 0;
};

class ZRNodeManager {
 public:
  static constexpr int kNodeCount = 2181;  // three blocks of 727 slots: global, deck 0, deck 1
  static constexpr int kMaxImageParts = 8;
  // The skin's "os" attribute is a mask of systems: an element with a mask of 1 or more is kept only when it
  // has this system's bit. 1 and 2 name the two desktop systems skins were first written for; Linux takes 4,
  // so elements for every system (no mask, 0 or -1) and those marked for Linux are kept.
  static constexpr int kSkinOsLinux = 4;

  // Cursor kinds: 0 default arrow, 1 no entry, 2 cross (drag and drop); 3 text, 4 size west-east,
  // 5 size north-south (controls).
  enum cursorType : int {
    cursorDefault = 0,
    cursorNoEntry = 1,
    cursorCross = 2,
    cursorText = 3,
    cursorSizeWE = 4,
    cursorSizeNS = 5,
  };

  // Mouse event types of actionRouteMouse.
  enum mouseEventType : int {
    mousePress = 0,
    mouseRelease = 1,
    mouseMove = 5,
    mouseWheel = 6,
    mouseWheelH = 7,
    mouseEnteredWindow = -101,  // ignored
    mouseLeftWindow = -102,
    mouseCaptureLost = -103,
    mouseStopDrag = -104,
  };

  // Holds the tree lock while it lives (main thread; never inside render, loadSkin or another TreeLock).
  class TreeLock {
   public:
    explicit TreeLock(ZRNodeManager& manager) : lock_(manager.lock) { lock_.enterExclusive(); }
    ~TreeLock() { lock_.leaveExclusive(); }
    TreeLock(const TreeLock&) = delete;
    TreeLock& operator=(const TreeLock&) = delete;

   private:
    ZRCriticalSection& lock_;
  };

  // window may be null (no toolkit: cursors and full screen do nothing). classes (not owned, must outlive
  // the manager) makes the nodes; null uses the skin engine's own plain nodes. Builds the node table.
  explicit ZRNodeManager(ZRNodeManagerWindow* window, ZRNodeClassFactory* classes = nullptr);
  // Detaches the tree, sends the pending leaves, deletes every node it made, frees the skin image.
  ~ZRNodeManager();
  ZRNodeManager(const ZRNodeManager&) = delete;
  ZRNodeManager& operator=(const ZRNodeManager&) = delete;

  // ---- nodes --------------------------------------------------------------------------------------------

  // A node of the type's class with (this, parent, uiScale, id, deck, -1), its isExtraNode and elementType
  // set; null for a type without a class.
  ZRDrawNode* createNodeType(int type, int id, int deck, ZRDrawNode* parent, bool isExtra);
  // deck below -1: the skin-script node whose extraName is action; otherwise the table node of the action
  // name and deck; null for an unknown name, a deck outside -1..1 or an empty slot.
  ZRDrawNode* getNode(const char* action, int deck) const;
  // The table slot; null outside the table.
  ZRDrawNode* getNodeAt(int slot) const;
  // id < 0: the skin-script node named name; otherwise the one numbered id; null if none.
  ZRDrawNode* getExtraNode(const ZRString& name, int id) const;
  // Takes every skin-script node out of the tree (under the tree lock). They are deleted by the next call
  // (or with the manager): a skin load started from one of their handlers returns into that handler.
  void destroyAllExtraNodes();
  ZRDrawNode* getRootNode() const { return rootNode; }
  ZRNodeHintBase* getHintNode() const { return hintNode; }
  // The UI scale on the root, every table node and the hint (under the tree lock).
  void setScale(float scale);

  // ---- drawing (render thread) -------------------------------------------------------------------------

  // Draws the skin under the tree lock: rebuilds the part textures when a new image was loaded, draws the
  // root, the outlines (all controls, or learnable ones in learn mode, and the learn target), then the hint.
  // whileLocked runs last on every call (also when nothing could be drawn), still under the lock: the
  // render loop compares and replays the frame's drawing there, while every texture it names is alive.
  void render(double dt, const std::function<void()>& whileLocked = {});
  // The part texture holding skin row y (points, or pixels when unscaled) and the row inside it; null
  // outside the image or before the part's texture exists.
  ZRTexture* getMainTexture(int y, int& yInPart, bool unscaled);
  // Deletes the part textures (render thread, before the GL context goes away); the next render makes them
  // again.
  void destroyMainTextures();
  // Deletes every texture of the skin (render thread, before the GL context goes away): the tree's, those
  // of every node the manager owns in or out of the tree (the table, skin-script nodes, the hint) and the
  // part textures. Takes the tree lock.
  void destroyAllGraphicsResources();

  // ---- skin image
  // ------------------------------------------------------------------------------------------

  // The part holding skin row y (points unless unscaled) and the row inside it; -1 outside the image.
  int getTextureIndexForCoordinate(int y, int& yInPart, bool unscaled) const;
  // 0..255 at skin point (x, y): the alpha of a part with alpha where it is not 255, else the average of
  // red, green and blue; 0 outside the image or its part.
  int getPixelMask(int x, int y) const;
  int getImageCount() const { return imageCount; }
  // The decoded pixels of a part (B, G, R and, with alpha, A; rows packed), for controls that copy pieces
  // of the skin image into their own drawings; null outside the parts. Valid until the next skin load, so
  // read them on the render thread while drawing (under the tree lock).
  const unsigned char* getImagePartPixels(int part, int& width, int& height, int& bytesPerPixel) const;
  int getImageTotalHeight() const { return imageTotalHeight; }

  // ---- skins ---------------------------------------------------------------------------------------------

  // Loads a skin (XML and image parts) at the size width x height (the window size; 0 or less: the design
  // size). Decodes the image and parses the XML first; only when both succeed is the tree replaced (under the
  // tree lock). False, with one log line, and the previous skin untouched, on any failure.
  bool loadSkin(const ZRString& xmlPath, const ZRString& imagePath, int width, int height, int partCount);
  // Decodes and installs the image parts alone (the render pass rebuilds their textures).
  bool loadMainTextures(const ZRString& imagePath, int partCount);
  const ZRString& getSkinPath() const { return skinPath; }
  // The skin text assembled for the script engine by the last load.
  const std::string& getSkinScript() const { return skinScript; }

  // ---- window --------------------------------------------------------------------------------------------

  // The client area changed (main thread): a constraint skin is laid out again at the new size; otherwise
  // the mouse scale becomes skin size / window size.
  void setNewWindowSize(int width, int height);
  // The root's size rounded up to whole points (the smallest window of a constraint skin).
  void getOptimalWindowSize(int& width, int& height) const;
  // Enters or leaves full screen (main thread; posted from others).
  void toggleFullScreenMode();

  // ---- input (main thread)
  // -----------------------------------------------------------------------------------

  // One mouse event at (x, y) skin points (see mouseEventType); windowCaptured is true while the window
  // holds the mouse capture (from a left press until its release, false on the release itself).
  void actionRouteMouse(int type, float x, float y, int button, int windowCaptured, float wheel,
                        int modifiers);
  // A key to the focus node; when there is none or it does not take the key, to defaultKeyHandler.
  void actionRouteKeyboard(int key, int modifiers);
  void changeKBFocusToNode(ZRDrawNode* node);
  ZRDrawNode* getKBFocusNode() const { return kbFocusNode; }
  // Shows the node's hint at the pointer (skin points), or hides the bubble for a node without one.
  void showHint(ZRDrawNode* node, float x, float y);
  // The leave pass over the nodes under the pointer.
  void sendMouseLeaveEventsToAllOverControls(int keepTouched, int releaseLeft, float x, float y, int value,
                                             int button, int key, int modifiers);
  // The topmost shown, enabled node under (x, y) from node down, honouring masks; null if none.
  ZRDrawNode* traverseClick(ZRDrawNode* node, float x, float y) const;
  // Starts an internal drag with the payload; false while one runs.
  bool startDrag(ZRDragDropPayload payload);
  void stopDragging();
  bool isDragging() const { return dragging; }
  ZRDrawNode* getDropTargetNode() const { return dropTargetNode; }
  ZRDrawNode* getCapturedNode() const { return capturedNode; }
  const std::vector<ZRDrawNode*>& getNodesUnderMouse() const { return nodesUnderMouse; }
  void changeCursor(int kind);
  int getCursor() const { return cursor.load(); }
  void setLearnMode(bool on) { learnMode.store(on); }
  bool getLearnMode() const { return learnMode.load(); }
  ZRDrawNode* getLearnFocusedNode() const { return learnFocusedNode.load(); }
  void setLearnFocusedNode(ZRDrawNode* node) { learnFocusedNode.store(node); }

  // ---- settings of the shell and the loaded skin
  // -----------------------------------------------------------

  // Keys no node took: (key, modifiers, null). Without one such keys are dropped.
  void (*defaultKeyHandler)(int key, int modifiers, ZRDrawNode* node) = nullptr;
  bool highlightAllControls = false;       // root "highlightallcontrols"
  bool dontUsePercentOnPitch = false;      // root "dontusepercentonpitch"
  bool useConstraints = false;             // root "useconstraints"
  int skinWidth = 0, skinHeight = 0;       // the skin's size in points
  float mouseScaleX = 1, mouseScaleY = 1;  // window pixels to skin points (the main window applies them)
  float uiScale = 1;                       // 2 while the double-resolution image is in use
  bool retina = false;                     // the window's backing scale is above 1 (set before loads)
  bool showHints = true;                   // the setting "ShowHints"
  bool resizeMode = false;                 // the last skin was scaled to its requested size
  double resizeFactor = 1;                 // requested width / design width
  float requestedAspectRatio = 0;
  // Set by every skin load; cleared at the start of every mouse event.
  bool skinReloaded = false;

 private:
  friend class ZRDrawNode;

  struct SkinImage;  // decoded parts of one skin image
  struct ParsedSkin;

  void initializeAllNodes();
  void deleteAllNodes();
  bool decodeImage(const ZRString& imagePath, int partCount, SkinImage& image) const;
  void installImage(SkinImage& image);
  void resetInputState();
  void parseContainerXML(_xmlNode* firstChild, ZRDrawNode* container, int targetVersion, std::string& script);
  void appendControlJSCode(ZRDrawNode* node, int type, const std::string& name, ZRParameterList* attributes,
                           std::string& script);
  void appendSkinJSCode(ZRParameterList* rootAttributes, std::string& script);
  void configureRootFromWindow(_xmlNode* window);
  void drawTree(double dt);
  void drawOutlines(ZRDrawNode* node, float x, float y, bool all);
  // Runs fn on the main thread: at once there, else posted (and dropped if the manager is gone by then).
  void onMainThread(void (*fn)(ZRNodeManager&, int), int argument);
  void deliverMouse(ZRDrawNode* node, int code, int value, float x, float y, int button, int modifiers);
  void trackDropTarget(float x, float y, int button);

  ZRNodeManagerWindow* window_;
  ZRNodeClassFactory* classes_;
  ZRNodeClassFactory ownClasses_;
  std::shared_ptr<int> alive_;  // posted toolkit calls hold a weak reference

  ZRString skinPath;
  std::string skinScript;
  ZRDrawNode* rootNode = nullptr;
  std::vector<ZRDrawNode*> nodes;  // the node table, owned
  std::vector<ZRDrawNode*> nodesUnderMouse;
  std::vector<ZRDrawNode*> extraNodes;         // owned
  std::vector<ZRDrawNode*> retiredExtraNodes;  // owned, out of the tree, deleted by the next load
  int lastExtraId = -1;
  ZRDrawNode* capturedNode = nullptr;
  std::atomic<bool> learnMode{false};
  std::atomic<ZRDrawNode*> learnFocusedNode{nullptr};
  ZRDrawNode* kbFocusNode = nullptr;

  // The skin image: pixels kept for hit masks, textures made by the render pass.
  std::unique_ptr<unsigned char[]> imagePixels[kMaxImageParts];
  int imageCount = 0;
  int textureCount = 0;
  int imageTotalHeight = 0;
  int imageWidth[kMaxImageParts] = {};
  int imageHeight[kMaxImageParts] = {};
  int imageTop[kMaxImageParts] = {};
  bool imageHasAlpha[kMaxImageParts] = {};
  std::unique_ptr<ZRTexture> imageTextures[kMaxImageParts];
  bool texturesChanged = false;
  bool texturesPending = false;

  bool leaveGuard = false;
  bool dragging = false;
  ZRDrawNode* dropTargetNode = nullptr;
  ZRDragDropPayload dragPayload;
  std::atomic<int> cursor{cursorDefault};
  ZRNodeHintBase* hintNode = nullptr;
  ZRCriticalSection lock;
  ZRConstraintsLayout layout;
};

// The root's double-click slot: toggles full screen for a double click in the top 50 points of the window.
void onDoubleClickRootNode(int value, int x, int y, int button, int actionCode, int deck, ZRDrawNode* node);
// Skin-script slots of script elements: call the script functions extraName + "_onmousedown" /
// "_onmouseup" with (-1, -1, -1), and extraName + "_oncellclick" with (deck, value, -1).
void FScriptOnMouseDown(int value, int param, int deck, ZRDrawNode* node);
void FScriptOnMouseUp(int value, int param, int deck, ZRDrawNode* node);
void FScriptOnCellClick(int value, int param, int deck, ZRDrawNode* node);
