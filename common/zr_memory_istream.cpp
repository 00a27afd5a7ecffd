#include "common/zr_memory_istream.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

ZRMemoryStreambuf::ZRMemoryStreambuf(const unsigned char* data, size_t length)
    : begin_(data), end_(data + length), current_(data) {
  assert(begin_ <= end_);
}

ZRMemoryStreambuf::int_type ZRMemoryStreambuf::underflow() {
  if (current_ == end_) return traits_type::eof();
  return traits_type::to_int_type(static_cast<char_type>(*current_));
}

ZRMemoryStreambuf::int_type ZRMemoryStreambuf::uflow() {
  if (current_ == end_) return traits_type::eof();
  return traits_type::to_int_type(static_cast<char_type>(*current_++));
}

ZRMemoryStreambuf::int_type ZRMemoryStreambuf::pbackfail(int_type c) {
  if (current_ == begin_) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof()) &&
      !traits_type::eq_int_type(c, traits_type::to_int_type(static_cast<char_type>(current_[-1])))) {
    return traits_type::eof();
  }
  --current_;
  return traits_type::to_int_type(static_cast<char_type>(*current_));
}

std::streamsize ZRMemoryStreambuf::showmanyc() {
  return end_ - current_;
}

std::streamsize ZRMemoryStreambuf::xsgetn(char_type* s, std::streamsize n) {
  if (n <= 0) return 0;
  std::streamsize avail = end_ - current_;
  if (n > avail) n = avail;
  if (n > 0) {
    std::memcpy(s, current_, static_cast<size_t>(n));
    current_ += n;
  }
  return n;
}

ZRMemoryStreambuf::pos_type ZRMemoryStreambuf::moveTo(const unsigned char* target) {
  if (target < begin_ || target > end_) return pos_type(off_type(-1));
  current_ = target;
  return pos_type(off_type(current_ - begin_));
}

ZRMemoryStreambuf::pos_type ZRMemoryStreambuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                       std::ios_base::openmode) {
  // The bounds are checked on offsets rather than on pointers so that a wild
  // offset never forms a pointer outside the range.
  off_type base;
  if (dir == std::ios_base::beg) {
    base = 0;
  } else if (dir == std::ios_base::cur) {
    base = current_ - begin_;
  } else if (dir == std::ios_base::end) {
    base = end_ - begin_;
  } else {
    return moveTo(current_);
  }
  off_type size = end_ - begin_;
  if ((off < 0 && -off > base) || (off > 0 && off > size - base)) return pos_type(off_type(-1));
  return moveTo(begin_ + (base + off));
}

ZRMemoryStreambuf::pos_type ZRMemoryStreambuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

ZRMemoryIStream::ZRMemoryIStream(unsigned char* data, size_t size, bool owns)
    : ZRMemoryStreambuf(data, size),
      std::istream(static_cast<ZRMemoryStreambuf*>(this)),
      data_(data),
      size_(size),
      owns_(owns) {}

ZRMemoryIStream::~ZRMemoryIStream() {
  if (owns_) std::free(data_);
}

ZRMemoryIStream* ZRMemoryIStream::duplicateStream(bool copy) const {
  if (!copy) return new ZRMemoryIStream(data_, static_cast<size_t>(size_), false);
  // malloc(0) may legally give null; one spare byte keeps "no memory" distinct.
  auto* bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size_) + 1));
  if (bytes == nullptr) return nullptr;
  if (size_ > 0) std::memcpy(bytes, data_, static_cast<size_t>(size_));
  return new ZRMemoryIStream(bytes, static_cast<size_t>(size_), true);
}
