// The edit text: keys through the focus routing to edits, caret moves and slot calls; what is not text;
// the length bound; caret positions and caret placement by clicks; focus events; auto-enter; the caret
// drawn and blinking.

#include "gui_nodes/zr_node_edit_text.h"

#include <functional>

#include "control_test_support.h"
#include "gui/zr_draw_context.h"
#include "support/display_required.h"

namespace orvel_test {
namespace {

std::vector<std::pair<int, int>> keysSeen;

void recordKey(int key, int modifiers, ZRDrawNode*) {
  keysSeen.emplace_back(key, modifiers);
}

class EditText : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    keysSeen.clear();
    loadSkin(
        "<editarea action=\"et_search\" posx=\"10\" posy=\"10\" width=\"120\" height=\"20\""
        " backcolor=\"#000080\" fontcolor=\"#FFFFFF\"/>",
        SkinPicture(160, 40), 160, 40);
    edit = control<ZRNodeEditText>("et_search");
    ASSERT_NE(edit, nullptr);
    bindRecorders(edit);
    edit->setKeySlot(recordKey);
  }
  void type(int key, int modifiers = 0) { manager->actionRouteKeyboard(key, modifiers); }
  void typeText(const char* text) {
    for (const char* c = text; *c != 0; ++c) type(*c);
  }
  std::string text() const { return edit->getCaption().utf8(); }
  void focus() { manager->changeKBFocusToNode(edit); }
  ZRNodeEditText* edit = nullptr;
};

using Calls = std::vector<std::pair<int, int>>;

TEST_F(EditText, KeysEditTheTextAndMoveTheCaret) {
  struct Case {
    const char* name;
    const char* start;
    int caret;
    std::vector<int> keys;
    const char* text;
    int caretAfter;
    Calls calls;
  };
  const Case cases[] = {
      {"typing inserts at the caret", "ac", 1, {'b'}, "abc", 2, {{0, 1}, {0, 2}}},
      {"backspace at 2 removes the second", "abc", 2, {ZRKeyBackspace}, "ac", 1, {{0, 1}, {0, 2}}},
      {"delete at 0 removes the first", "abc", 0, {ZRKeyDelete}, "bc", 0, {{0, 1}, {0, 2}}},
      {"backspace at the start changes nothing", "abc", 0, {ZRKeyBackspace}, "abc", 0, {}},
      {"delete at the end changes nothing", "abc", 3, {ZRKeyDelete}, "abc", 3, {}},
      {"left and right stop at the ends", "ab", 1, {ZRKeyLeft, ZRKeyLeft, ZRKeyRight}, "ab", 1, {}},
      {"home and end", "abc", 1, {ZRKeyEnd}, "abc", 3, {}},
      {"page up goes to the start", "abc", 2, {ZRKeyPageUp}, "abc", 0, {}},
      {"function keys, Insert and control characters are not text",
       "ab",
       2,
       {ZRKeyF1, ZRKeyF19, ZRKeyInsert, 1, 27, 127, 0x85},
       "ab",
       2,
       {}},
      {"a character beyond the basic plane is one step of the caret",
       "ab",
       1,
       {0x1F600, ZRKeyLeft, ZRKeyRight},
       "a\xF0\x9F\x98\x80"
       "b",
       3,
       {{0, 1}, {0, 2}}},
      {"backspace removes both halves of such a character",
       "a\xF0\x9F\x98\x80",
       3,
       {ZRKeyBackspace},
       "a",
       1,
       {{0, 1}, {0, 2}}},
  };
  focus();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->setCaption(ZRString(c.start));
    for (int i = 0; i < 4; ++i) type(ZRKeyHome);
    for (int i = 0; i < c.caret; ++i) type(ZRKeyRight);
    SlotLog::get().clear();
    for (int key : c.keys) type(key);
    EXPECT_EQ(text(), c.text);
    EXPECT_EQ(edit->getCaretIndex(), c.caretAfter);
    EXPECT_EQ(SlotLog::get().slotsAndValues(), c.calls);
    EXPECT_TRUE(edit->isCaretVisible());
  }
  EXPECT_TRUE(keysSeen.empty());
}

TEST_F(EditText, NavigationKeysGoToTheKeySlot) {
  focus();
  edit->setCaption(ZRString("abc"));
  SlotLog::get().clear();
  for (int key : {ZRKeyUp, ZRKeyDown, ZRKeyEnter, ZRKeyEsc, ZRKeyTab}) type(key, ZRModShift);
  EXPECT_EQ(keysSeen, (Calls{{ZRKeyUp, 4}, {ZRKeyDown, 4}, {ZRKeyEnter, 4}, {ZRKeyEsc, 4}, {ZRKeyTab, 4}}));
  EXPECT_EQ(text(), "abc");
  EXPECT_TRUE(SlotLog::get().calls().empty());
  // Keys the field does not use are never passed on.
  EXPECT_FALSE(edit->canPassUntreatedKBEvents());
}

TEST_F(EditText, CaptionsReportOnlyChangesAndAreBounded) {
  edit->setCaption(ZRString("search"));
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 2}}));
  SlotLog::get().clear();
  edit->setCaption(ZRString("search"));
  EXPECT_TRUE(SlotLog::get().calls().empty());

  std::string longText(300, 'x');
  edit->setCaption(ZRString(longText));
  EXPECT_EQ(edit->getCaption().len(), ZRNodeEditText::kMaxLength);
  focus();
  type(ZRKeyEnd);
  SlotLog::get().clear();
  type('y');
  EXPECT_EQ(edit->getCaption().len(), ZRNodeEditText::kMaxLength);
  EXPECT_TRUE(SlotLog::get().calls().empty());
  type(ZRKeyBackspace);
  type('y');
  EXPECT_EQ(text().back(), 'y');
  EXPECT_EQ(edit->getCaretPositions().size(), static_cast<size_t>(ZRNodeEditText::kMaxLength) + 1);
}

TEST_F(EditText, ATrailingSpaceMovesTheCaretByAnI) {
  edit->setCaption(ZRString("a b"));
  edit->computeStringSizeAfterChar();
  const std::vector<float> p = edit->getCaretPositions();
  ASSERT_EQ(p.size(), 4u);
  float iWidth = 0, h = 0, aWidth = 0;
  ZRDrawContext::measureTextStatic(ZRString("i"), ZRString("Arial"), 12, textStyleInvalid, iWidth, h, 1);
  ZRDrawContext::measureTextStatic(ZRString("a"), ZRString("Arial"), 12, textStyleInvalid, aWidth, h, 1);
  EXPECT_FLOAT_EQ(p[0], 0);
  EXPECT_FLOAT_EQ(p[1], aWidth);
  EXPECT_NEAR(p[2], aWidth + iWidth, 0.01);
  EXPECT_GT(p[3], p[2]);
}

TEST_F(EditText, FocusEventsAndCaretPlacementByClicks) {
  edit->setCaption(ZRString("abcd"));
  edit->computeStringSizeAfterChar();
  SlotLog::get().clear();
  // The first click gives focus: the caret goes to the end.
  click(12, 20);
  EXPECT_EQ(manager->getKBFocusNode(), edit);
  EXPECT_EQ(edit->getCaretIndex(), 4);
  ASSERT_FALSE(SlotLog::get().calls().empty());
  EXPECT_EQ(SlotLog::get().calls().back().value, 16);
  EXPECT_EQ(SlotLog::get().calls().back().deck, -1);

  if (needGL()) frame();  // lays the text out (its width decides the shift of a long text)
  const std::vector<float> p = edit->getCaretPositions();
  click(10 + (p[1] + p[2]) / 2 - 1, 20);  // just before the middle of "b": the boundary before it
  EXPECT_EQ(edit->getCaretIndex(), 1);
  click(10 + (p[1] + p[2]) / 2 + 1, 20);
  EXPECT_EQ(edit->getCaretIndex(), 2);
  click(120, 20);  // right of the end
  EXPECT_EQ(edit->getCaretIndex(), 4);

  SlotLog::get().clear();
  manager->changeKBFocusToNode(nullptr);
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 32}}));
  EXPECT_FALSE(edit->isCaretVisible());
  // The pointer over the field shows the text cursor.
  move(20, 20);
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorText);
  move(150, 35);
  EXPECT_EQ(manager->getCursor(), ZRNodeManager::cursorDefault);
}

TEST_F(EditText, AutoEnterFiresOnceOneSecondAfterTheLastEdit) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  edit->setCaption(ZRString());
  edit->setAllowAutoEnter(true);
  focus();
  SlotLog::get().clear();
  type('a');
  frame(0.5);
  type('b');
  EXPECT_EQ(SlotLog::get().slotsAndValues(), (Calls{{0, 1}, {0, 2}, {0, 1}, {0, 2}}));
  frame(0.6);
  EXPECT_TRUE(keysSeen.empty());
  frame(0.5);
  EXPECT_EQ(keysSeen, (Calls{{ZRKeyEnter, 0}}));
  frame(2);
  EXPECT_EQ(keysSeen.size(), 1u);
  // Turned off, a pending pause does not fire.
  type('c');
  edit->setAllowAutoEnter(false);
  frame(2);
  EXPECT_EQ(keysSeen.size(), 1u);
}

TEST_F(EditText, TheCaretIsDrawnAndBlinks) {
  if (!needGL()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  edit->setCaption(ZRString());
  frame();
  EXPECT_EQ(at(12, 28), (Rgb{0, 0, 128}));
  auto caretColumnLit = [&] {
    for (int x = 9; x <= 13; ++x)
      if (at(x, 20)[0] > 128) return true;
    return false;
  };
  EXPECT_FALSE(caretColumnLit());
  focus();
  frame(0.01);
  EXPECT_TRUE(caretColumnLit());
  frame(0.5);
  EXPECT_FALSE(caretColumnLit());
  frame(0.5);
  EXPECT_TRUE(caretColumnLit());
  manager->changeKBFocusToNode(nullptr);
  frame(0.01);
  EXPECT_FALSE(caretColumnLit());
}

}  // namespace
}  // namespace orvel_test
