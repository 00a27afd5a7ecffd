// skin_rects: where the controls of a skin lie in the application's window, for tests that click them.
//
// A constraint skin's rectangles exist only after layout, so this loads the skin with the real loader and
// the skin controls' own classes, exactly as the main window does: the catalogue picks the image set for
// the display, the skin is laid out, then laid out again at the window's client size.
//
//   skin_rects SKINS_FOLDER SKIN_NAME DISPLAY_W DISPLAY_H [CLIENT_W CLIENT_H] [--browse FOLDER]
//
// Prints, one per line (sizes and positions in window pixels, from the client area's top-left corner):
//   window W H                         the client size the skin asks for (its optimal size)
//   node ACTION DECK X Y W H SHOWN     every node of the tree (skin-script nodes by their own name)
//   rows ACTION FIRST_ROW_Y LINE       the first row's top and the row height of a table (browser, playlist)
// and with --browse, the steps that take the browser tree from its first state to FOLDER, as a user does:
//   browse_click X Y                   a click on the collection's line (selects it, takes the keyboard)
//   browse_key KEY                     then keys: Down moves the cursor, Return expands the cursor's folder
// The browser tree is built as the running application builds it, from this process's HOME, so run this
// with the application's HOME after the application has made its data folder.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_texture.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_skin_manager.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"

namespace {

std::string nameOf(const ZRDrawNode* node) {
  if (node->isExtraNode) return node->extraName.utf8();
  const char* name = node->id >= 0 ? GetActionName(node->id) : nullptr;
  return name != nullptr && *name != '\0' ? name : "?";
}

void printTree(const ZRDrawNode* node) {
  float x = 0, y = 0;
  node->getAbsolutePosition(x, y);
  std::printf("node %s %d %.1f %.1f %.1f %.1f %d\n", nameOf(node).c_str(), node->deck, x, y, node->width,
              node->height, node->getIsShownAndTestParentsToo() ? 1 : 0);
  for (const ZRDrawNode* child : node->children) printTree(child);
}

std::string withoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool isAncestorOrSelf(const std::string& folder, const std::string& target) {
  return folder == target || (target.size() > folder.size() &&
                              target.compare(0, folder.size(), folder) == 0 && target[folder.size()] == '/');
}

int rowOfLineType(const std::vector<ZRNodeBrowser::TVisibleLine>& lines, int type) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].line.type == type) return static_cast<int>(i);
  }
  return -1;
}

// The deepest visible line on the way to target, below row from.
int nextLineTowards(const std::vector<ZRNodeBrowser::TVisibleLine>& lines, const std::string& target) {
  int best = -1;
  size_t bestLength = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string path = withoutSlash(lines[i].line.path.utf8());
    if (lines[i].line.plugin != nullptr || path.empty() || !isAncestorOrSelf(path, target)) continue;
    if (path.size() > bestLength) {
      best = static_cast<int>(i);
      bestLength = path.size();
    }
  }
  return best;
}

// The way to target as a user takes it: click the collection's line, then Down to each folder on the way
// and Return to open it, until the cursor is on target.
bool planBrowse(ZRNodeBrowser* browser, const std::string& target, float firstRowY, float line) {
  std::vector<ZRNodeBrowser::TVisibleLine> lines = browser->getVisibleLines();
  const int start = rowOfLineType(lines, ZRNodeBrowser::kLineCollection);
  if (start < 0) {
    std::fprintf(stderr, "skin_rects: the browser shows no collection line\n");
    return false;
  }
  float bx = 0, by = 0;
  browser->getAbsolutePosition(bx, by);
  std::printf("browse_click %.1f %.1f\n", bx + browser->width / 2, firstRowY + (start + 0.5f) * line);
  int cursor = start;
  for (int step = 0; step < 64; ++step) {
    lines = browser->getVisibleLines();
    const int row = nextLineTowards(lines, target);
    if (row < 0) {
      std::fprintf(stderr, "skin_rects: no line of the browser leads to '%s'\n", target.c_str());
      return false;
    }
    if (row < cursor) {
      std::fprintf(stderr, "skin_rects: the way to '%s' goes upwards (row %d above %d)\n", target.c_str(),
                   row, cursor);
      return false;
    }
    for (; cursor < row; ++cursor) std::printf("browse_key Down\n");
    const ZRNodeBrowser::TVisibleLine& here = lines[static_cast<size_t>(row)];
    if (withoutSlash(here.line.path.utf8()) == target) return true;
    if (here.expanded || !here.line.expandable) {
      std::fprintf(stderr, "skin_rects: '%s' cannot be opened on the way to '%s'\n",
                   here.line.path.utf8().c_str(), target.c_str());
      return false;
    }
    std::printf("browse_key Return\n");
    browser->ExpandNode(here.nodeId);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string browseTarget;
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--browse") {
      browseTarget = withoutSlash(args[i + 1]);
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      break;
    }
  }
  if (args.size() != 4 && args.size() != 6) {
    std::fprintf(stderr,
                 "usage: skin_rects SKINS_FOLDER SKIN_NAME DISPLAY_W DISPLAY_H [CLIENT_W CLIENT_H] "
                 "[--browse FOLDER]\n");
    return 2;
  }
  const int displayW = std::atoi(args[2].c_str()), displayH = std::atoi(args[3].c_str());

  // No skin script runs and no picture is drawn: only the layout is wanted.
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  installInitSkinScriptHook([](const std::string&) { return true; });
  installCallSkinInitHook([] {});
  installTestEnableVideoButtonHook([] {});

  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(args[0]), nullptr);
  ZRString xml, image;
  int imageW = 0, imageH = 0, parts = 0;
  if (!catalogue.getBestSkinDetailsForResolution(args[1], displayW, displayH, xml, image, imageW, imageH,
                                                 parts)) {
    std::fprintf(stderr, "skin_rects: no image set of '%s' fits %dx%d\n", args[1].c_str(), displayW,
                 displayH);
    return 1;
  }
  registerControlClasses();
  ZRControlClassFactory classes;
  ZRNodeManager manager(nullptr, &classes);
  if (!manager.loadSkin(xml, image, imageW, imageH, parts)) {
    std::fprintf(stderr, "skin_rects: the skin '%s' does not load\n", xml.utf8().c_str());
    return 1;
  }
  int clientW = manager.skinWidth, clientH = manager.skinHeight;
  if (manager.useConstraints) manager.getOptimalWindowSize(clientW, clientH);
  std::printf("window %d %d\n", clientW, clientH);
  if (args.size() == 6) {
    clientW = std::atoi(args[4].c_str());
    clientH = std::atoi(args[5].c_str());
  }
  manager.setNewWindowSize(clientW, clientH);
  printTree(manager.getRootNode());

  auto* browser = dynamic_cast<ZRNodeBrowser*>(manager.getNode("browser", -1));
  auto* playlist = dynamic_cast<ZRNodePlaylist*>(manager.getNode("playlist", -1));
  float browserTop = 0, browserLine = 0;
  if (browser != nullptr) {
    float x = 0;
    browser->getAbsolutePosition(x, browserTop);
    browserLine = static_cast<float>(browser->rowHeight(0, nullptr));
    std::printf("rows browser %.1f %.1f\n", browserTop, browserLine);
  }
  if (playlist != nullptr) {
    float x = 0, y = 0;
    playlist->getAbsolutePosition(x, y);
    // In the columns display the header sits above the rows.
    std::printf("rows playlist %.1f %d\n", y + static_cast<float>(playlist->getHeaderHeight()),
                playlist->getLineSize());
  }
  if (!browseTarget.empty()) {
    if (browser == nullptr) {
      std::fprintf(stderr, "skin_rects: the skin has no browser\n");
      return 1;
    }
    if (!planBrowse(browser, browseTarget, browserTop, browserLine)) return 1;
  }
  return 0;
}
