// Skin file loading: the skin XML and its image parts become the placed, configured (scaled or constraint
// laid out) node tree, with the skin-script nodes and the skin script assembled.
//
// The image is decoded and the XML parsed before anything changes; only when both succeed is the old tree
// taken apart, under the tree lock, so a broken skin leaves the previous one drawn and working.

#include <libxml/tree.h>

#include <cmath>
#include <cstring>

#include "common/action_vocabulary.h"
#include "common/zr_c_numbers.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "common/zr_xml_utils.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_image_raw_data.h"
#include "gui/zr_node_manager.h"

struct ZRNodeManager::SkinImage {
  std::unique_ptr<unsigned char[]> pixels[kMaxImageParts];
  int width[kMaxImageParts] = {};
  int height[kMaxImageParts] = {};
  int top[kMaxImageParts] = {};
  bool hasAlpha[kMaxImageParts] = {};
  int count = 0;
  int totalHeight = 0;
};

namespace {

const char* text(const xmlChar* s) {
  return reinterpret_cast<const char*>(s);
}

// The file of image part n (1-based): part 1 is the path itself, part n the path without its extension
// followed by "_n.png".
ZRString partPath(const ZRString& imagePath, int n) {
  if (n == 1) return imagePath;
  return imagePath.getPathAndName() + ZRString("_" + std::to_string(n) + ".png");
}

// Every attribute of the element; the value of an attribute without text is "".
void readAttributes(xmlNode* element, ZRParameterList& list, bool resize, double factor) {
  for (xmlAttr* a = element->properties; a != nullptr; a = a->next) {
    if (a->name == nullptr) continue;
    xmlChar* value = xmlNodeListGetString(element->doc, a->children, 1);
    std::string v = value != nullptr ? text(value) : "";
    if (value != nullptr) xmlFree(value);
    if (resize && isActionOkForResize(text(a->name))) {
      const double number = atofC(v.c_str());
      if (number != -1) v = formatFixedC(number * factor, 2);
    }
    list.setStr(text(a->name), v.c_str());
  }
}

bool isElement(const xmlNode* n, const char* name) {
  return n->type == XML_ELEMENT_NODE && n->name != nullptr && std::strcmp(text(n->name), name) == 0;
}

}  // namespace

// ---- image parts ------------------------------------------------------------------------------------------

bool ZRNodeManager::decodeImage(const ZRString& imagePath, int partCount, SkinImage& image) const {
  if (partCount < 1 || partCount > kMaxImageParts) {
    ZRLOG("error: loadMainTextures: %d total images", partCount);
    return false;
  }
  const bool swapRB = ZRTexture::isReverseRBNeededForDefaultDevice();
  for (int i = 0; i < partCount; ++i) {
    const std::string path = partPath(imagePath, i + 1).utf8();
    if (!FileExists(path.c_str())) {
      ZRLOG("error: loadMainTextures: file does not exist '%s'", path.c_str());
      return false;
    }
    unsigned char** frames = nullptr;
    int frameCount = 0, w = 0, h = 0;
    bool alpha = false;
    const bool decoded = getImageRawData(path.c_str(), false, false, frames, frameCount, alpha, w, h, swapRB);
    if (!decoded || frameCount != 1 || w < 1 || h < 1) {
      ZRLOG("error: loadMainTextures: cannot read/decode image %d/%d - '%s' (totalFrames=%d)", i + 1,
            partCount, path.c_str(), frameCount);
      if (decoded) freeImageFrames(frames, frameCount);
      return false;
    }
    image.pixels[i].reset(frames[0]);
    frames[0] = nullptr;
    freeImageFrames(frames, frameCount);
    // The parts are one picture cut in horizontal bands: hit masks and drawing index them by one width.
    if (i > 0 && w != image.width[0]) {
      ZRLOG("error: loadMainTextures: image %d/%d is %d pixels wide, image 1 is %d - '%s'", i + 1, partCount,
            w, image.width[0], path.c_str());
      return false;
    }
    image.width[i] = w;
    image.height[i] = h;
    image.hasAlpha[i] = alpha;
    image.top[i] = image.totalHeight;
    image.totalHeight += h;
  }
  image.count = partCount;
  return true;
}

void ZRNodeManager::installImage(SkinImage& image) {
  textureCount = imageCount;
  for (int i = 0; i < kMaxImageParts; ++i) {
    imagePixels[i] = std::move(image.pixels[i]);
    imageWidth[i] = image.width[i];
    imageHeight[i] = image.height[i];
    imageTop[i] = image.top[i];
    imageHasAlpha[i] = image.hasAlpha[i];
  }
  imageTotalHeight = image.totalHeight;
  imageCount = image.count;
  mouseScaleX = mouseScaleY = 1;
  texturesChanged = true;
}

bool ZRNodeManager::loadMainTextures(const ZRString& imagePath, int partCount) {
  SkinImage image;
  if (!decodeImage(imagePath, partCount, image)) return false;
  TreeLock guard(*this);
  installImage(image);
  return true;
}

// ---- the skin
// -----------------------------------------------------------------------------------------------

bool ZRNodeManager::loadSkin(const ZRString& xmlPath, const ZRString& imagePath, int width, int height,
                             int partCount) {
  // The double-resolution image, when the display wants it and the skin has it.
  ZRString chosenImage = imagePath;
  float newScale = 1;
  if (retina) {
    const ZRString x2 = imagePath.getPathAndName() + ZRString("-x2.png");
    if (FileExists(x2)) {
      ZRLOG("using RETINA version of the skin");
      chosenImage = x2;
      newScale = 2;
    }
  }
  SkinImage image;
  if (!decodeImage(chosenImage, partCount, image)) {
    ZRLOG("error: can not load png file");
    return false;
  }

  ZRLOG("loading skin '%s'", xmlPath);
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  const std::string xmlUtf8 = xmlPath.utf8();
  if (!openXMLFile(xmlUtf8.c_str(), "skin", &document, &root, 0, 0)) return false;

  // The old tree's pointer state ends before the tree is taken apart (handlers run without the lock).
  skinReloaded = true;
  stopDragging();
  sendMouseLeaveEventsToAllOverControls(false, false, -1, -1, 0, ZRButtonNone, -1, 0);

  std::string script;
  {
    TreeLock guard(*this);
    skinPath = xmlPath;
    int screenWidth = decodeIntNode(root, "screenwidth");
    int screenHeight = decodeIntNode(root, "screenheight");
    if (screenWidth < 10) screenWidth = 800;
    if (screenHeight < 10) screenHeight = 600;
    useConstraints = decodeBooleanNode(root, "useconstraints");
    highlightAllControls = decodeBooleanNode(root, "highlightallcontrols");
    dontUsePercentOnPitch = decodeBooleanNode(root, "dontusepercentonpitch");
    const int targetVersion = decodeIntNode(root, "targetversion");
    // No requested size: the design size.
    if (width <= 0 || height <= 0) {
      width = screenWidth;
      height = screenHeight;
    }
    requestedAspectRatio = static_cast<float>(width) / static_cast<float>(height);
    resizeMode = width != screenWidth;
    resizeFactor = resizeMode ? static_cast<double>(width) / screenWidth : 1.0;
    skinWidth = resizeMode ? width : screenWidth;
    skinHeight = resizeMode ? height : screenHeight;

    layout.clear();
    rootNode->removeAllChildren(true);
    resetInputState();
    destroyAllExtraNodes();
    for (ZRDrawNode* node : nodes) {
      if (node != nullptr) node->show(false, false);
    }
    setScale(newScale);
    installImage(image);

    ZRParameterList rootAttributes;
    readAttributes(root, rootAttributes, false, 1);
    appendSkinJSCode(&rootAttributes, script);
    for (xmlNode* window = root->children; window != nullptr; window = window->next) {
      if (!isElement(window, "window")) continue;
      configureRootFromWindow(window);
      parseContainerXML(window->children, rootNode, targetVersion, script);
    }
    float hintSize = decodeFloatNode(root, "hintfontsize");
    if (!(hintSize >= 1)) hintSize = 10;
    hintNode->setFontSize(static_cast<float>(hintSize * resizeFactor));

    if (useConstraints) {
      layout.addDefaultConstraintsForAll(rootNode, true);
      layout.layout(rootNode, false, false);
      if (layout.getRefusedCount() > 0) {
        ZRLOG("warning: %d layout constraints of skin '%s' contradict the others and were left out",
              layout.getRefusedCount(), xmlPath);
      }
    }
    skinScript = script;
  }
  closeXMLFile(document);

  // The layers above react without the tree lock: their handlers may touch nodes and settings freely.
  testEnableVideoButton();
  initSkinScript(script);
  callSkinInitFunction();
  return true;
}

void ZRNodeManager::configureRootFromWindow(xmlNode* window) {
  if (xmlHasProp(window, reinterpret_cast<const xmlChar*>("action")) == nullptr) return;
  ZRParameterList windowAttributes;
  readAttributes(window, windowAttributes, false, 1);
  ZRParameterList list;
  list.setInt("posx", 0);
  list.setInt("posy", 0);
  list.setInt("width", skinWidth);
  list.setInt("height", skinHeight);
  if (useConstraints) {
    static const char* const kOwn[] = {
        "width", "height", "hint", "stack_axis", "stack_distribution", "stack_alignment", "stack_spacing",
        "pCHh",  "pCHv",   "pCRh", "pCRv"};
    for (const char* name : kOwn) {
      if (windowAttributes.has(name))
        list.setStr(name, windowAttributes.getStr(name, ZRString()).utf8().c_str());
    }
  }
  rootNode->refreshCoordinates(&list);
}

void ZRNodeManager::parseContainerXML(xmlNode* firstChild, ZRDrawNode* container, int targetVersion,
                                      std::string& script) {
  for (xmlNode* element = firstChild; element != nullptr; element = element->next) {
    if (element->type != XML_ELEMENT_NODE || element->name == nullptr) continue;
    ZRParameterList list;
    readAttributes(element, list, resizeMode, resizeFactor);

    const int os = list.getInt("os", -1);
    if (os >= 1 && (os & kSkinOsLinux) == 0) continue;
    const float aspectRatio = list.getFloat("aspectratio", 0);
    if (aspectRatio > 0 && std::fabs(aspectRatio - requestedAspectRatio) >= 0.05f) continue;

    if (useConstraints && isElement(element, "constraint")) {
      const std::string action1 = list.getStr("action1", ZRString()).utf8();
      const std::string action2 = list.getStr("action2", ZRString()).utf8();
      ZRDrawNode* node1 = getNode(action1.c_str(), list.getInt("deck1", -1));
      ZRDrawNode* node2 = getNode(action2.c_str(), list.getInt("deck2", -1));
      if (node1 != nullptr) {
        layout.addConstraint(node1, list.getConstraintAttribute("attr1", ZRAttributeNone),
                             list.getConstraintRelation("relation", ZRRelationEqual), node2,
                             list.getConstraintAttribute("attr2", ZRAttributeNone),
                             list.getFloat("multiplier", 1), list.getFloat("constant", 0), 10000);
      }
      continue;
    }

    const std::string action = list.getStr("action", ZRString()).utf8();
    const int index = GetActionIndex(action.c_str());
    const int tag = GetActionTypeTagIndex(text(element->name));
    if (index >= 1 && index <= CACTION_COUNT - 2) {
      const int deck = list.getInt("deck", -1);
      if (deck < -1 || deck > 1) {
        ZRLOG("skin element '%s' (action '%s'): deck %d does not exist, the element is skipped",
              text(element->name), action.c_str(), deck);
        continue;
      }
      ZRDrawNode* node = getNodeAt(index + CACTION_NODE_STRIDE * (deck + 1));
      if (node == nullptr) continue;
      node->reparent(container);
      if (node->parent != container) continue;  // refused: it would have contained itself
      node->refreshCoordinates(&list);
      if (tag == ELEMENT_group) parseContainerXML(element->children, node, targetVersion, script);
    } else if (!action.empty() && tag != ELEMENT_none && action[0] == '_') {
      ZRDrawNode* node = createNodeType(tag, ++lastExtraId, -2, nullptr, true);
      if (node == nullptr) continue;
      node->reparent(container);
      node->refreshCoordinates(&list);
      node->setExtraName(ZRString(action));
      extraNodes.push_back(node);
      appendControlJSCode(node, tag, action, &list, script);
      if (tag == ELEMENT_group) parseContainerXML(element->children, node, targetVersion, script);
    }
  }
  container->sortByZOrder();
}

// ---- the skin script --------------------------------------------------------------------------------------

namespace {

void appendFunction(std::string& script, const std::string& header, const std::string& body) {
  script += "\nfunction " + header + "\n{\n  " + body + "\n}\n";
}

}  // namespace

void ZRNodeManager::appendSkinJSCode(ZRParameterList* rootAttributes, std::string& script) {
  script += rootAttributes->getStr("jscode", ZRString()).utf8();
  static const char* const kHandlers[][2] = {
      {"onnotificationreceived", "notificationReceived(uniqueId,name,deck,param1,param2,param3)"},
      {"oninit", "skinInit(uniqueId)"},
      {"ondeinit", "skinDeinit(uniqueId)"},
      {"ontimertick", "timerTick(uniqueId)"},
  };
  for (const auto& handler : kHandlers) {
    if (rootAttributes->has(handler[0])) {
      appendFunction(script, handler[1], rootAttributes->getStr(handler[0], ZRString()).utf8());
    }
  }
}

void ZRNodeManager::appendControlJSCode(ZRDrawNode* node, int type, const std::string& name,
                                        ZRParameterList* attributes, std::string& script) {
  static const char* const kCallbacks[][2] = {
      {"onmousedown", "_onmousedown(xx,yy,button,value)"},
      {"onmouseup", "_onmouseup(xx,yy,button,value)"},
      {"oncellclick", "_oncellclick(xx,yy,button,value)"},
  };
  for (const auto& callback : kCallbacks) {
    const std::string body = attributes->getStr(callback[0], ZRString()).utf8();
    if (!body.empty()) appendFunction(script, name + callback[1], body);
  }
  node->actionCode = node->id;
  if (type == ELEMENT_button || type == ELEMENT_textarea) {
    node->setActionSlot(0, FScriptOnMouseDown);
    node->setActionSlot(1, FScriptOnMouseUp);
  } else if (type == ELEMENT_grid) {
    node->setActionSlot(0, FScriptOnCellClick);
  }
}
