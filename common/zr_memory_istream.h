#pragma once
// A read-only std::istream over bytes already in memory, so that readers
// written for file streams (the media decoders' stream callbacks) can read a
// track fetched whole into memory, with seeking.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>

// Read-only stream buffer over [begin, end). It keeps no get area of the
// base class: every read goes through the overrides below, so the position is
// always `current`.
class ZRMemoryStreambuf : public std::streambuf {
 public:
  ZRMemoryStreambuf(const unsigned char* data, size_t length);

 protected:
  int_type underflow() override;
  int_type uflow() override;
  int_type pbackfail(int_type c) override;
  std::streamsize showmanyc() override;
  // Bulk reads copy directly instead of one virtual call per byte.
  std::streamsize xsgetn(char_type* s, std::streamsize n) override;
  // A target outside [begin, end] leaves the position unchanged and gives -1.
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which = std::ios_base::in) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which = std::ios_base::in) override;

 private:
  pos_type moveTo(const unsigned char* target);

  const unsigned char* begin_;
  const unsigned char* end_;
  const unsigned char* current_;
};

// The buffer is a private virtual base so that it is fully built before the
// istream part is handed a pointer to it.
class ZRMemoryIStream : private virtual ZRMemoryStreambuf, public std::istream {
 public:
  // With owns set the destructor releases data with free(), so owned bytes
  // must come from malloc().
  ZRMemoryIStream(unsigned char* data, size_t size, bool owns);
  ~ZRMemoryIStream() override;

  ZRMemoryIStream(const ZRMemoryIStream&) = delete;
  ZRMemoryIStream& operator=(const ZRMemoryIStream&) = delete;

  // A new stream, owned by the caller, positioned at the start. Without copy
  // it shares (and does not own) the bytes, which must outlive it; with copy
  // it reads its own malloc'ed copy. Null when the copy cannot be allocated.
  ZRMemoryIStream* duplicateStream(bool copy) const;

  const unsigned char* getData() const { return data_; }
  uint64_t getSize() const { return size_; }
  bool ownsData() const { return owns_; }

 private:
  unsigned char* data_;
  uint64_t size_;
  bool owns_;
};
