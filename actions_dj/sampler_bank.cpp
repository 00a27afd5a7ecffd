#include "actions_dj/sampler_bank.h"

#include <cstring>
#include <fstream>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_keep_aside.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"

bool readSamplerBank(const ZRString& path, const ZRString& prefix,
                     std::vector<ZRSamplerBankSample>& samples) {
  samples.clear();
  const std::string file = path.utf8();
  if (file.empty() || !FileExists(file.c_str())) return false;
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(file.c_str(), "sampler", &document, &root, 0, 0)) {
    std::string keptAs;
    if (keepFileAside(file, &keptAs)) {
      ZRLOG("error: the sampler bank '%s' could not be read; it is kept as '%s'", file, keptAs);
    } else {
      ZRLOG("error: the sampler bank '%s' could not be read", file);
    }
    return false;
  }
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE ||
        std::strcmp(reinterpret_cast<const char*>(node->name), "sample") != 0) {
      continue;
    }
    const int index = decodeIntNode(node, "index");
    if (index < 1 || index > kSamplerBankSlots) continue;
    ZRSamplerBankSample sample;
    sample.slot = index - 1;
    sample.file = prefix + decodeStrNode2(node, "file");
    sample.volume = decodeIntNode(node, "volume");
    sample.pitch = decodeIntNode(node, "pitch");
    sample.beats = decodeIntNode(node, "beats");
    sample.autoSync = decodeBooleanNode(node, "autosync");
    sample.loop = decodeBooleanNode(node, "loop");
    samples.push_back(sample);
  }
  closeXMLFile(document);
  return true;
}

bool writeSamplerBank(const ZRString& path, const std::vector<ZRSamplerBankSample>& samples) {
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("error: the sampler bank '%s' could not be written", path.utf8());
    return false;
  }
  out << "<sampler version=\"2\">\n";
  for (const ZRSamplerBankSample& s : samples) {
    if (s.slot < 0 || s.slot >= kSamplerBankSlots || s.file.empty()) continue;
    out << "<sample index=\"" << s.slot + 1 << "\" file=\"" << escapedForXML(s.file.utf8()) << "\" beats=\""
        << s.beats << "\" autosync=\"" << (s.autoSync ? 1 : 0) << "\" loop=\"" << (s.loop ? 1 : 0)
        << "\" pitch=\"" << s.pitch << "\" volume=\"" << s.volume << "\" />\n";
  }
  out << "</sampler>\n";
  return writer.commit(out);
}
