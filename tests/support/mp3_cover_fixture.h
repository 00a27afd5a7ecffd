#pragma once
// A short MPEG audio file (silent frames) carrying a picture as its ID3v2 front cover, for the code that
// shows covers. Needs TagLib (the test program links it).

#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <string>

#include "support/test_support.h"

namespace orvel_test {

inline void writeMp3WithCover(const std::string& path, const std::string& picture) {
  std::string frames;
  for (int i = 0; i < 20; ++i) {
    std::string frame(417, '\0');  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
    frame[0] = '\xff';
    frame[1] = '\xfb';
    frame[2] = '\x90';
    frame[3] = '\x64';
    frames += frame;
  }
  ASSERT_TRUE(writeFile(path, frames));
  TagLib::MPEG::File file(path.c_str());
  auto* apic = new TagLib::ID3v2::AttachedPictureFrame;
  apic->setMimeType("image/png");
  apic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
  apic->setPicture(TagLib::ByteVector(picture.data(), static_cast<unsigned>(picture.size())));
  file.ID3v2Tag(true)->addFrame(apic);
  ASSERT_TRUE(file.save());
}

}  // namespace orvel_test
