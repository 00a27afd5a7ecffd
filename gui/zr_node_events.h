#pragma once
// The vocabulary every skin node and every sender of node events shares: the event codes, the action-slot
// callback types, the key codes and modifier bits, and the payload base of internal drag and drop.
//
// Node events carry positions in skin points relative to the receiving node's absolute top-left corner.

#include <memory>

class ZRDrawNode;

// The first argument of ZRDrawNode::executeAction.
enum ZRNodeEventCode : int {
  ZRNodeEventPress = 0,        // a mouse button pressed
  ZRNodeEventRelease = 1,      // a mouse button released
  ZRNodeEventDoubleClick = 2,  // a quick second left press, delivered instead of a press
  ZRNodeEventEnter = 3,        // the pointer enters the node
  ZRNodeEventLeave = 4,        // the pointer leaves the node
  ZRNodeEventMove = 5,         // the pointer moves
  ZRNodeEventWheel = 6,        // vertical wheel
  ZRNodeEventWheelH = 7,       // horizontal wheel
  ZRNodeEventKey = 10,         // a key pressed, to the focus node
  ZRNodeEventMidi = 11,  // a MIDI message or a controller action (buttons pressed and sliders moved by code)
  ZRNodeEventShortcut = 12,  // a keyboard shortcut of the node
  ZRNodeEventFocusGained = 13,
  ZRNodeEventFocusLost = 14,
  ZRNodeEventDragEnter = 15,  // a drag enters the node
  ZRNodeEventDragLeave = 16,  // a drag leaves the node
};

// Mouse buttons of events: 0 left, 1 right, 2 middle, -1 none.
enum ZRMouseButton : int { ZRButtonNone = -1, ZRButtonLeft = 0, ZRButtonRight = 1, ZRButtonMiddle = 2 };

// An action slot of a control: value, the node's actionCode as param, the node's deck, the node.
using ZRActionCallback = void (*)(int value, int param, int deck, ZRDrawNode* node);
// The pointer slots (jog wheel, pad, waveform displays, image nodes, the root's double click): x and y are
// node points truncated to integers.
using ZRPointerActionCallback = void (*)(int value, int x, int y, int button, int param, int deck,
                                         ZRDrawNode* node);

// Key codes: a printable key is its character code; special keys have fixed codes.
enum ZRKeyCode : int {
  ZRKeyLeft = 7169,
  ZRKeyRight = 7170,
  ZRKeyUp = 7171,
  ZRKeyDown = 7172,
  ZRKeyPageUp = 7173,
  ZRKeyPageDown = 7174,
  ZRKeyHome = 7175,
  ZRKeyEnd = 7176,
  ZRKeyEnter = 7177,
  ZRKeyEsc = 7178,
  ZRKeyTab = 7179,
  ZRKeyBackspace = 7180,
  ZRKeyDelete = 7181,
  ZRKeyInsert = 7182,
  ZRKeyF1 = 7269,  // F1 .. F19 are 7269 .. 7287
  ZRKeyF19 = 7287,
};

// Modifier bits of mouse and key events: control sets 1 and 16 together.
enum ZRKeyModifier : int {
  ZRModControl = 1,
  ZRModAlt = 2,
  ZRModShift = 4,
  ZRModMeta = 8,
  ZRModControlRaw = 16,
};

// The payload of an internal drag and drop, always held in a shared_ptr: the node that started the drag
// and a kind ("track" for a dragged track, "list" for a dragged browser list). The payload classes add
// their own record and accessors; a drop target checks the kind before casting.
class ZRDragDropCustomData {
 public:
  explicit ZRDragDropCustomData(ZRDrawNode* source) : source_(source) {}
  virtual ~ZRDragDropCustomData() = default;
  ZRDragDropCustomData(const ZRDragDropCustomData&) = delete;
  ZRDragDropCustomData& operator=(const ZRDragDropCustomData&) = delete;

  virtual const char* getIdentifier() const = 0;
  ZRDrawNode* getSource() const { return source_; }

 private:
  ZRDrawNode* source_;
};

using ZRDragDropPayload = std::shared_ptr<ZRDragDropCustomData>;
