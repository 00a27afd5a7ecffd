#include "common/zr_zip_stream_extractor.h"

#include <bzlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <vector>

#include "common/zr_deflate64_decoder.h"
#include "common/zr_implode_decoder.h"
#include "common/zr_zip_budget.h"
#include "common/zr_zip_safe_path.h"

namespace {

constexpr size_t kInputSize = 131072;
constexpr size_t kWorkSize = 65536;
constexpr size_t kWriteSlice = 16384;
constexpr size_t kMaxLinkTarget = 1024;

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kDescriptorSig = 0x08074b50;
constexpr uint32_t kSignatureSig = 0x05054b50;
constexpr uint32_t kZip64EndSig = 0x06064b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kSpanMarkerSig = 0x30304b50;

constexpr unsigned kStored = 0;
constexpr unsigned kDeflated = 8;
constexpr unsigned kDeflate64 = 9;
constexpr unsigned kImploded = 10;
constexpr unsigned kBzip2 = 12;

enum WalkState { kStart, kLocals, kCentral, kAfterSignature, kAfterZip64End, kAfterZip64Locator };

void printf2(const char* format, ...) __attribute__((format(printf, 1, 2)));
void printf2(const char* format, ...) {
  char text[4001];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::printf("-- %s", text);
  const size_t n = std::strlen(text);
  if (n == 0 || text[n - 1] != '\n') std::printf("\n");
  std::fflush(stdout);
}

uint16_t le16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const unsigned char* p) {
  return le16(p) | (static_cast<uint32_t>(le16(p + 2)) << 16);
}
uint64_t le64(const unsigned char* p) {
  return le32(p) | (static_cast<uint64_t>(le32(p + 4)) << 32);
}

// A temporary file's name: the local offset in base 36, least significant digit first.
std::string to36(uint64_t value) {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s;
  do {
    s += kDigits[value % 36];
    value /= 36;
  } while (value != 0);
  return s;
}

time_t dosTime(unsigned dosDate, unsigned dosClock) {
  if (dosDate == 0 && dosClock == 0) return time(nullptr);
  struct tm t = {};
  t.tm_sec = static_cast<int>((dosClock & 0x1f) * 2);
  t.tm_min = static_cast<int>((dosClock >> 5) & 0x3f);
  t.tm_hour = static_cast<int>(dosClock >> 11);
  t.tm_mday = static_cast<int>(dosDate & 0x1f);
  t.tm_mon = static_cast<int>((dosDate >> 5) & 0xf) - 1;
  t.tm_year = static_cast<int>(dosDate >> 9) + 80;
  t.tm_isdst = -1;
  return mktime(&t);
}

bool equalsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

struct FolderTimes {
  bool created = false;
  bool hasTimes = false;
  time_t atime = 0;
  time_t mtime = 0;
};

class Sunzip {
 public:
  Sunzip(FILE* in, int root, int replace, std::string* cdgName)
      : in_(in), root_(root), replace_(replace != 0), cdgName_(cdgName), budget_(archiveBytes(in)) {}
  ~Sunzip() { release(); }

  bool run(ZRSunzipSummary* summary) {
    const bool ok = walk();
    if (!ok) {
      removeTempFolder();
      printf2("sunzip abort: %s\n", abort_.c_str());
    }
    release();
    if (summary) {
      summary->members = members_;
      summary->written = members_ >= notOverwritten_ + skipped_ ? members_ - notOverwritten_ - skipped_ : 0;
      summary->notOverwritten = notOverwritten_;
      summary->skipped = skipped_;
      summary->complete = ok;
      summary->abortReason = ok ? std::string() : abort_;
    }
    return ok;
  }

 private:
  // ---- fatal ends and member errors ----
  bool bye(const char* why) {
    if (abort_.empty()) abort_ = why;
    return false;
  }
  void bad(const char* why, uint64_t offset) {
    printf2("sunzip error: %s in entry #%lu at offset 0x%lx\n", why, members_,
            static_cast<unsigned long>(offset));
  }

  // ---- input ----
  // Refills the input buffer with whole reads; the bytes still unread move to its front first.
  size_t refill() {
    if (left_ > 0 && next_ != input_.data()) std::memmove(input_.data(), next_, left_);
    next_ = input_.data();
    size_t got = 0;
    while (left_ + got < kInputSize) {
      const size_t n = std::fread(input_.data() + left_ + got, 1, kInputSize - left_ - got, in_);
      if (n == 0) break;  // the end, or a read error, which counts as the end
      got += n;
    }
    read_ += got;
    left_ += got;
    return got;
  }
  uint64_t position() const { return read_ - left_; }
  bool have(size_t n) {
    while (left_ < n) {
      if (refill() == 0) return false;
    }
    return true;
  }
  bool readBytes(unsigned char* dst, size_t n) {
    while (n > 0) {
      if (left_ == 0 && refill() == 0) return bye("unexpected end of zip file");
      const size_t take = std::min(n, left_);
      if (dst) {
        std::memcpy(dst, next_, take);
        dst += take;
      }
      next_ += take;
      left_ -= take;
      n -= take;
    }
    return true;
  }
  bool skip(uint64_t n) {
    while (n > 0) {
      if (left_ == 0 && refill() == 0) return bye("unexpected end of zip file");
      const size_t take = static_cast<size_t>(std::min<uint64_t>(n, left_));
      next_ += take;
      left_ -= take;
      n -= take;
    }
    return true;
  }
  bool get2(unsigned* v) {
    unsigned char b[2];
    if (!readBytes(b, 2)) return false;
    *v = le16(b);
    return true;
  }

  // Input and output functions handed to the decoders.
  static unsigned pull(void* self, z_const unsigned char** buf) {
    auto* s = static_cast<Sunzip*>(self);
    if (s->left_ == 0 && s->refill() == 0) {
      *buf = nullptr;
      return 0;
    }
    *buf = s->next_;
    const auto n = static_cast<unsigned>(s->left_);
    s->next_ += n;
    s->left_ = 0;
    return n;
  }
  static unsigned pullBlast(void* self, unsigned char** buf) {
    z_const unsigned char* p = nullptr;
    const unsigned n = pull(self, &p);
    *buf = const_cast<unsigned char*>(p);
    return n;
  }
  static int push(void* self, unsigned char* buf, unsigned len) {
    return static_cast<Sunzip*>(self)->put(buf, len);
  }
  // Takes decoded bytes back as unread input (what a decoder did not use).
  void giveBack(z_const unsigned char* next, size_t count) {
    if (next == nullptr || count == 0) {
      left_ = 0;
      return;
    }
    next_ = const_cast<unsigned char*>(next);
    left_ = count;
  }

  static uint64_t archiveBytes(FILE* in) {
    struct stat st;
    return fstat(fileno(in), &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }

  // ---- output ----
  int put(const unsigned char* data, size_t len) {
    crc_ = crc32(crc_, data, static_cast<uInt>(len));
    produced_ += len;
    if (!budget_.take(len)) {
      bye("the archive expands beyond its limit");
      return 1;
    }
    if (outFd_ < 0) return 0;
    while (len > 0) {
      const size_t slice = len > 32767 ? std::min(len, kWriteSlice) : len;
      const ssize_t n = ::write(outFd_, data, slice);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        bye("write error (1)");
        return 1;
      }
      data += n;
      len -= static_cast<size_t>(n);
    }
    return 0;
  }

  // ---- the walk ----
  bool walk() {
    try {
      input_.resize(kInputSize);
      work_.resize(kWorkSize);
    } catch (...) {
      return bye("out of memory");
    }
    next_ = input_.data();
    if (!makeTempFolder()) return bye("write error (6)");
    for (;;) {
      uint32_t sig = 0;
      if (!have(4)) return bye("unexpected end of zip file");
      sig = le32(next_);
      const uint64_t at = position();
      next_ += 4;
      left_ -= 4;
      switch (sig) {
        case kLocalSig:
          if (state_ > kLocals) return bye("zip file format error (local file header misplaced)");
          state_ = kLocals;
          if (!localMember(at)) return false;
          break;
        case kCentralSig:
          if (state_ > kCentral) return bye("zip file format error (central file header misplaced)");
          if (state_ != kCentral) printf2("\r%lu entr%s processed\n", members_, members_ == 1 ? "y" : "ies");
          state_ = kCentral;
          if (!centralMember()) return false;
          break;
        case kSignatureSig: {
          if (state_ != kCentral) return bye("zip file format error (digital signature misplaced)");
          state_ = kAfterSignature;
          unsigned n = 0;
          if (!get2(&n) || !skip(n)) return false;
          break;
        }
        case kZip64EndSig: {
          if (state_ != kCentral && state_ != kAfterSignature)
            return bye("zip file format error (zip64 record misplaced)");
          state_ = kAfterZip64End;
          unsigned char b[8];
          if (!readBytes(b, 8) || !skip(le64(b))) return false;
          break;
        }
        case kZip64LocatorSig:
          if (state_ != kAfterZip64End) return bye("zip file format error (zip64 locator misplaced)");
          state_ = kAfterZip64Locator;
          if (!skip(16)) return false;
          break;
        case kDescriptorSig:
          if (at == 0) return bye("cannot process split zip archives");
          return bye("zip file format error (spanning marker misplaced)");
        case kSpanMarkerSig:
          if (state_ != kStart || at != 0) return bye("zip file format error (spanning marker misplaced)");
          state_ = kLocals;
          break;
        case kEndSig:
          if (state_ == kLocals || state_ == kAfterZip64End)
            return bye("zip file format error (end record misplaced)");
          return endRecord();
        default:
          return bye("zip file format error (unknown zip signature)");
      }
    }
  }

  bool localMember(uint64_t offset) {
    ++members_;
    if (members_ % 100 == 0) printf2("%lu entries\n", members_);
    unsigned char h[26];
    if (!readBytes(h, sizeof h)) return false;
    const unsigned flags = le16(h + 2);
    const unsigned method = le16(h + 4);
    const unsigned dosClock = le16(h + 6);
    const unsigned dosDate = le16(h + 8);
    const uint32_t crc = le32(h + 10);
    uint64_t clen = le32(h + 14);
    uint64_t ulen = le32(h + 18);
    const unsigned nameLen = le16(h + 22);
    const unsigned extraLen = le16(h + 24);
    const bool encrypted = (flags & 1) != 0;
    const bool deferred = (flags & 8) != 0;
    if (encrypted && deferred) return bye("cannot skip encrypted entry with deferred lengths");
    if ((flags & ~0x080fu) != 0) return bye("unknown zip header flags set");
    if (deferred && method != kDeflated && method != kDeflate64 && method != kBzip2) {
      return bye("cannot handle deferred lengths for pre-deflate methods");
    }
    time_t mtime = dosTime(dosDate, dosClock);
    time_t atime = mtime;
    if (!skip(nameLen) || !readBytes(work_.data(), extraLen)) return false;
    parseLocalExtra(extraLen, &atime, &mtime, &clen, &ulen, clen == 0xffffffffu || ulen == 0xffffffffu);

    const bool decoded = !encrypted && (method == kStored || method == kDeflated || method == kDeflate64 ||
                                        method == kImploded || method == kBzip2);
    if (!decoded) {
      bad(encrypted ? "skipping encrypted entry" : "skipping unknown compression method", offset);
      ++skipped_;
      skipList_.insert(std::upper_bound(skipList_.begin(), skipList_.end(), offset), offset);
      return skip(clen);
    }
    // A member declaring more than is left needs no decoding to be refused (a deferred length is 0 here,
    // and every member is counted again as it is written).
    if (!budget_.allows(ulen)) return bye("the archive expands beyond its limit");
    const std::string tempName = to36(offset);
    outFd_ = openat(tempFd_, tempName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (outFd_ < 0) return bye("write error (7)");
    crc_ = crc32(0, Z_NULL, 0);
    produced_ = 0;
    const uint64_t dataStart = position();
    bool ok = decode(method, clen, ulen, offset);
    if (ok) {
      struct timespec times[2];
      times[0].tv_sec = atime;
      times[0].tv_nsec = 0;
      times[1].tv_sec = mtime;
      times[1].tv_nsec = 0;
      futimens(outFd_, times);
    }
    if (::close(outFd_) != 0 && ok) ok = bye("write error (9)");
    outFd_ = -1;
    if (!ok) return false;
    const uint64_t consumed = position() - dataStart;
    uint32_t wantCrc = crc;
    uint64_t wantClen = clen;
    uint64_t wantUlen = ulen;
    if (deferred && !readDescriptor(&wantCrc, &wantClen, &wantUlen, consumed)) return false;
    if (wantCrc != crc_ || wantClen != consumed || wantUlen != produced_) {
      bad("compressed data corrupted, check values mismatch", offset);
      return bye("zip file corrupted -- cannot continue");
    }
    return true;
  }

  void parseLocalExtra(unsigned extraLen, time_t* atime, time_t* mtime, uint64_t* clen, uint64_t* ulen,
                       bool wantZip64) {
    const unsigned char* x = work_.data();
    bool haveStamp = false;
    bool haveUnix = false;
    for (unsigned pos = 0; pos + 4 <= extraLen;) {
      const unsigned id = le16(x + pos);
      const unsigned size = le16(x + pos + 2);
      const unsigned char* d = x + pos + 4;
      if (pos + 4 + size > extraLen) break;
      if (id == 0x5455 && size >= 5 && (d[0] & 1) != 0) {
        *mtime = static_cast<int32_t>(le32(d + 1));
        *atime = ((d[0] & 2) != 0 && size >= 9) ? static_cast<int32_t>(le32(d + 5)) : *mtime;
        haveStamp = true;
      } else if ((id == 0x5855 || id == 0x000d) && size >= 8 && !haveStamp && !(haveUnix && id == 0x000d)) {
        *atime = static_cast<int32_t>(le32(d));
        *mtime = static_cast<int32_t>(le32(d + 4));
        haveUnix = haveUnix || id == 0x5855;
      } else if (id == 0x0001 && size >= 16 && wantZip64) {
        *ulen = le64(d);
        *clen = le64(d + 8);
      }
      pos += 4 + size;
    }
  }

  bool decode(unsigned method, uint64_t clen, uint64_t ulen, uint64_t offset) {
    switch (method) {
      case kStored: {
        if (clen != ulen) return bye("zip file format error (stored lengths mismatch)");
        uint64_t n = clen;
        while (n > 0) {
          if (left_ == 0 && refill() == 0) return bye("unexpected end of zip file");
          const size_t take = static_cast<size_t>(std::min<uint64_t>(n, left_));
          if (put(next_, take) != 0) return false;
          next_ += take;
          left_ -= take;
          n -= take;
        }
        return true;
      }
      case kDeflated: {
        if (!inflateReady_) {
          std::memset(&inflate_, 0, sizeof inflate_);
          const int r = inflateBackInit(&inflate_, 15, work_.data());
          if (r != Z_OK) return bye(r == Z_MEM_ERROR ? "out of memory" : "internal error");
          inflateReady_ = true;
        }
        inflate_.next_in = next_;
        inflate_.avail_in = static_cast<uInt>(left_);
        left_ = 0;
        const int r = inflateBack(&inflate_, pull, this, push, this);
        giveBack(inflate_.next_in, inflate_.avail_in);
        if (!abort_.empty()) return false;
        if (r != Z_STREAM_END) return corrupt("deflate compressed data corrupted", offset);
        return true;
      }
      case kDeflate64: {
        if (!inflate9Ready_) {
          std::memset(&inflate9_, 0, sizeof inflate9_);
          const int r = inflateBack9Init(&inflate9_, work_.data());
          if (r != Z_OK) return bye(r == Z_MEM_ERROR ? "not enough memory (!)" : "internal error");
          inflate9Ready_ = true;
        }
        inflate9_.next_in = next_;
        inflate9_.avail_in = static_cast<uInt>(left_);
        left_ = 0;
        const int r = inflateBack9(&inflate9_, pull, this, push, this);
        giveBack(inflate9_.next_in, inflate9_.avail_in);
        if (!abort_.empty()) return false;
        if (r != Z_STREAM_END) return corrupt("deflate64 compressed data corrupted", offset);
        return true;
      }
      case kImploded: {
        unsigned left = static_cast<unsigned>(left_);
        unsigned char* in = next_;
        left_ = 0;
        const int r = blast(pullBlast, this, push, this, &left, &in);
        giveBack(in, left);
        if (!abort_.empty()) return false;
        if (r != 0) return corrupt("DCL imploded data corrupted", offset);
        return true;
      }
      default:
        return bzip2(offset);
    }
  }

  bool corrupt(const char* why, uint64_t offset) {
    bad(why, offset);
    return bye("zip file corrupted -- cannot continue");
  }

  bool bzip2(uint64_t offset) {
    bz_stream bz;
    std::memset(&bz, 0, sizeof bz);
    int r = BZ2_bzDecompressInit(&bz, 0, 0);
    if (r != BZ_OK) return bye(r == BZ_MEM_ERROR ? "out of memory" : "internal error");
    const size_t piece = 32768;
    for (;;) {
      if (left_ == 0 && refill() == 0) {
        BZ2_bzDecompressEnd(&bz);
        return bye("unexpected end of zip file");
      }
      bz.next_in = reinterpret_cast<char*>(next_);
      bz.avail_in = static_cast<unsigned>(left_);
      bz.next_out = reinterpret_cast<char*>(work_.data());
      bz.avail_out = piece;
      r = BZ2_bzDecompress(&bz);
      const size_t used = left_ - bz.avail_in;
      next_ += used;
      left_ -= used;
      const size_t out = piece - bz.avail_out;
      if (out > 0 && put(work_.data(), out) != 0) {
        BZ2_bzDecompressEnd(&bz);
        return false;
      }
      if (r == BZ_STREAM_END) break;
      if (r != BZ_OK) {
        BZ2_bzDecompressEnd(&bz);
        if (r == BZ_DATA_ERROR || r == BZ_DATA_ERROR_MAGIC)
          return corrupt("bzip2 compressed data corrupted", offset);
        return bye(r == BZ_MEM_ERROR ? "out of memory" : "internal error");
      }
    }
    BZ2_bzDecompressEnd(&bz);
    return true;
  }

  // The data descriptor, with or without its signature, with 32- or 64-bit sizes: the form whose
  // values match the computed ones wins (the first form when none does, so the check then fails).
  bool readDescriptor(uint32_t* crc, uint64_t* clen, uint64_t* ulen, uint64_t consumed) {
    have(24);  // fewer bytes are fine as long as the chosen form fits
    const unsigned char* p = next_;
    const size_t avail = left_;
    struct Form {
      size_t sig;
      size_t sizes;
    } forms[] = {{4, 4}, {4, 8}, {0, 4}, {0, 8}};
    size_t chosen = 4;
    for (size_t i = 0; i < 4; ++i) {
      const size_t total = forms[i].sig + 4 + 2 * forms[i].sizes;
      if (total > avail) continue;
      if (forms[i].sig && le32(p) != kDescriptorSig) continue;
      const unsigned char* q = p + forms[i].sig;
      const uint32_t c = le32(q);
      const uint64_t cl = forms[i].sizes == 4 ? le32(q + 4) : le64(q + 4);
      const uint64_t ul = forms[i].sizes == 4 ? le32(q + 8) : le64(q + 12);
      if (chosen == 4) chosen = i;
      if (c == crc_ && cl == consumed && ul == produced_) {
        chosen = i;
        break;
      }
    }
    if (chosen == 4) return bye("unexpected end of zip file");
    const unsigned char* q = p + forms[chosen].sig;
    *crc = le32(q);
    *clen = forms[chosen].sizes == 4 ? le32(q + 4) : le64(q + 4);
    *ulen = forms[chosen].sizes == 4 ? le32(q + 8) : le64(q + 12);
    return skip(forms[chosen].sig + 4 + 2 * forms[chosen].sizes);
  }

  bool centralMember() {
    unsigned char h[42];
    if (!readBytes(h, sizeof h)) return false;
    const unsigned creator = le16(h) >> 8;
    const unsigned nameLen = le16(h + 24);
    const unsigned extraLen = le16(h + 26);
    const unsigned commentLen = le16(h + 28);
    const uint32_t external = le32(h + 34);
    uint64_t offset = le32(h + 38);
    std::string name(nameLen, '\0');
    if (!readBytes(reinterpret_cast<unsigned char*>(name.data()), nameLen)) return false;
    if (!readBytes(work_.data(), extraLen)) return false;
    const uint32_t nameCrc = crc32(0, reinterpret_cast<const Bytef*>(name.data()), nameLen);
    std::replace(name.begin(), name.end(), '\0', '_');
    parseCentralExtra(extraLen, nameCrc, h, &name, &offset);
    if (!skip(commentLen)) return false;

    if (!zipNameComponents(name).empty() && equalsNoCase(zipNameComponents(name).front(), tempName_)) {
      if (!moveTempFolder()) return false;
    }
    const std::string tempName = to36(offset);
    printf2("%s", name.c_str());
    const bool unixLike = creator == 3 || creator == 5 || creator == 16 || creator == 19 || creator == 30;
    const unsigned mode = unixLike ? (external >> 16) : 0;
    const bool isFolder = !name.empty() && name.back() == '/';

    if (std::binary_search(skipList_.begin(), skipList_.end(), offset)) {
      printf2(" (skipped)");
      return true;
    }
    struct stat st;
    if (fstatat(tempFd_, tempName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
      return bye("zip file format error (local/central offsets mismatch)");
    }
    if (zipNameComponents(name).empty()) {
      unlinkat(tempFd_, tempName.c_str(), 0);
      printf2("(null directory skipped)");
      return true;
    }
    if (!zipNameIsSafe(name)) {
      unlinkat(tempFd_, tempName.c_str(), 0);
      bad("skipping entry outside the target folder", offset);
      ++skipped_;
      return true;
    }
    const bool placed = place(name, tempName, isFolder, unixLike, mode, external, st, offset);
    // Only a .cdg now on disk is handed back.
    if (placed && cdgName_ && isCdg_sunzip(name.c_str()) && existsAt(zipNameComponents(name)))
      *cdgName_ = name;
    return placed;
  }

  void parseCentralExtra(unsigned extraLen, uint32_t nameCrc, const unsigned char* h, std::string* name,
                         uint64_t* offset) {
    const unsigned char* x = work_.data();
    const bool ulenWide = le32(h + 20) == 0xffffffffu;
    const bool clenWide = le32(h + 16) == 0xffffffffu;
    for (unsigned pos = 0; pos + 4 <= extraLen;) {
      const unsigned id = le16(x + pos);
      const unsigned size = le16(x + pos + 2);
      const unsigned char* d = x + pos + 4;
      if (pos + 4 + size > extraLen) break;
      if (id == 0x7075 && size >= 5 && d[0] == 1 && le32(d + 1) == nameCrc) {
        name->assign(reinterpret_cast<const char*>(d + 5), size - 5);
        std::replace(name->begin(), name->end(), '\0', '_');
      } else if (id == 0x0001 && *offset == 0xffffffffu) {
        // The wide values come in a fixed order, each only when its header field is saturated.
        unsigned at = (ulenWide ? 8u : 0u) + (clenWide ? 8u : 0u);
        if (size >= at + 8) *offset = le64(d + at);
      }
      pos += 4 + size;
    }
  }

  bool place(const std::string& name, const std::string& tempName, bool isFolder, bool unixLike,
             unsigned mode, uint32_t external, const struct stat& tempStat, uint64_t offset) {
    const std::vector<std::string> parts = zipNameComponents(name);
    const std::string leaf = parts.back();
    const size_t parentCount = isFolder ? parts.size() : parts.size() - 1;
    std::vector<std::string> created;
    if (!replace_ && existsAt(parts)) {
      unlinkat(tempFd_, tempName.c_str(), 0);
      printf2(" OK (exists, not replaced)");
      ++notOverwritten_;
      return true;
    }
    const int parent = zipOpenFolderAt(root_, parts, parentCount, true, &created);
    for (const std::string& c : created) folders_[c].created = true;
    if (parent < 0) {
      if (errno == ELOOP || errno == ENOTDIR) {
        unlinkat(tempFd_, tempName.c_str(), 0);
        bad("skipping entry whose folder is a link or a file", offset);
        ++skipped_;
        return true;
      }
      return bye("write error (3)");
    }
    bool ok = true;
    if (isFolder) {
      FolderTimes& f = folders_[joinParts(parts)];
      f.hasTimes = true;
      f.atime = tempStat.st_atime;
      f.mtime = tempStat.st_mtime;
      unlinkat(tempFd_, tempName.c_str(), 0);
      if (unixLike && (mode & 07777) != 0) fchmod(parent, mode & 07777);
      printf2(" OK");
    } else if (unixLike && S_ISLNK(mode)) {
      ok = placeLink(parent, leaf, tempName, offset);
    } else {
      if (renameat(tempFd_, tempName.c_str(), parent, leaf.c_str()) != 0) {
        ::close(parent);
        return bye("write error (14)");
      }
      const mode_t perms =
          (unixLike && (mode & 07777) != 0) ? (mode & 07777) : ((external & 1) ? 0444 : 0644);
      fchmodat(parent, leaf.c_str(), perms, 0);
      printf2(" OK");
    }
    ::close(parent);
    return ok;
  }

  bool placeLink(int parent, const std::string& leaf, const std::string& tempName, uint64_t offset) {
    std::string target(kMaxLinkTarget + 1, '\0');
    const int fd = openat(tempFd_, tempName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bye("temporary file missing in action!");
    ssize_t n = ::read(fd, target.data(), target.size());
    ::close(fd);
    unlinkat(tempFd_, tempName.c_str(), 0);
    if (n <= 0 || static_cast<size_t>(n) > kMaxLinkTarget) return bye("symbolic link empty or too long");
    target.resize(static_cast<size_t>(n));
    std::replace(target.begin(), target.end(), '\0', '_');
    // A link may only point within the target folder: relative, without "..".
    if (!zipNameIsSafe(target)) {
      bad("skipping symbolic link that leads outside the target folder", offset);
      ++skipped_;
      return true;
    }
    unlinkat(parent, leaf.c_str(), 0);
    if (symlinkat(target.c_str(), parent, leaf.c_str()) != 0) return bye("write error (13)");
    printf2(" OK (symbolic link)");
    return true;
  }

  static std::string joinParts(const std::vector<std::string>& parts) {
    std::string s;
    for (const std::string& p : parts) s += (s.empty() ? "" : "/") + p;
    return s;
  }

  bool existsAt(const std::vector<std::string>& parts) {
    const int parent = zipOpenFolderAt(root_, parts, parts.size() - 1, false, nullptr);
    if (parent < 0) return false;
    const bool exists = faccessat(parent, parts.back().c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
    ::close(parent);
    return exists;
  }

  bool endRecord() {
    unsigned char h[18];
    if (!readBytes(h, sizeof h)) return false;
    if (!skip(le16(h + 16))) return false;
    const unsigned long written = members_ - notOverwritten_ - skipped_;
    printf2("%lu entr%s %s%s", written, written == 1 ? "y" : "ies", "written",
            notOverwritten_ ? (", " + std::to_string(notOverwritten_) + " not overwritten").c_str() : "");
    if (skipped_) printf2("sunzip warning: %lu entr%s skipped\n", skipped_, skipped_ == 1 ? "y" : "ies");
    removeTempFolder();
    setFolderTimes();
    if (left_ > 0 || refill() > 0) printf2("sunzip warning: junk after end of zip file\n");
    return true;
  }

  void setFolderTimes() {
    for (const auto& [path, f] : folders_) {
      if (!f.created || !f.hasTimes) continue;
      struct timespec times[2];
      times[0].tv_sec = f.atime;
      times[0].tv_nsec = 0;
      times[1].tv_sec = f.mtime;
      times[1].tv_nsec = 0;
      const std::vector<std::string> parts = zipNameComponents(path);
      const int parent = zipOpenFolderAt(root_, parts, parts.size() - 1, false, nullptr);
      if (parent < 0) continue;
      utimensat(parent, parts.back().c_str(), times, AT_SYMLINK_NOFOLLOW);
      ::close(parent);
    }
  }

  // ---- the temporary folder ----
  bool makeTempFolder() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uniform_int_distribution<int> pick(0, 61);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = "_z";
      for (int i = 0; i < 6; ++i) name += kChars[pick(random_)];
      if (mkdirat(root_, name.c_str(), 0700) == 0) {
        const int fd = openat(root_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
          unlinkat(root_, name.c_str(), AT_REMOVEDIR);
          return false;
        }
        tempName_ = name;
        tempFd_ = fd;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  bool moveTempFolder() {
    const std::string oldName = tempName_;
    const int oldFd = tempFd_;
    tempFd_ = -1;
    if (!makeTempFolder()) {
      tempName_ = oldName;
      tempFd_ = oldFd;
      return bye("write error (11)");
    }
    const int listFd = dup(oldFd);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (dir) {
      while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        renameat(oldFd, e->d_name, tempFd_, e->d_name);
      }
      closedir(dir);
    } else if (listFd >= 0) {
      ::close(listFd);
    }
    ::close(oldFd);
    if (unlinkat(root_, oldName.c_str(), AT_REMOVEDIR) != 0) return bye("write error (12)");
    return true;
  }

  void removeTempFolder() {
    if (tempFd_ < 0) return;
    const int listFd = dup(tempFd_);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (dir) {
      std::vector<std::string> names;
      while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
          names.emplace_back(e->d_name);
      }
      closedir(dir);
      for (const std::string& n : names) unlinkat(tempFd_, n.c_str(), 0);
    } else if (listFd >= 0) {
      ::close(listFd);
    }
    ::close(tempFd_);
    tempFd_ = -1;
    unlinkat(root_, tempName_.c_str(), AT_REMOVEDIR);
    tempName_.clear();
  }

  void release() {
    if (outFd_ >= 0) {
      ::close(outFd_);
      outFd_ = -1;
    }
    if (inflateReady_) inflateBackEnd(&inflate_);
    if (inflate9Ready_) inflateBack9End(&inflate9_);
    inflateReady_ = inflate9Ready_ = false;
    removeTempFolder();
  }

  FILE* in_;
  int root_;
  bool replace_;
  std::string* cdgName_;
  // What the archive may expand to; members are placed only after the central directory, so a refusal
  // leaves nothing behind but the temporary folder, which is removed.
  ZRZipBudget budget_;
  std::string abort_;

  std::vector<unsigned char> input_;
  unsigned char* next_ = nullptr;
  size_t left_ = 0;
  uint64_t read_ = 0;  // archive bytes read into the buffer so far
  std::vector<unsigned char> work_;

  int outFd_ = -1;
  uLong crc_ = 0;
  uint64_t produced_ = 0;

  z_stream inflate_{};
  bool inflateReady_ = false;
  z_stream inflate9_{};
  bool inflate9Ready_ = false;

  std::mt19937 random_{std::random_device{}()};
  std::string tempName_;
  int tempFd_ = -1;
  int state_ = kStart;
  std::vector<uint64_t> skipList_;
  std::map<std::string, FolderTimes> folders_;
  unsigned long members_ = 0;
  unsigned long notOverwritten_ = 0;
  unsigned long skipped_ = 0;
};

}  // namespace

bool isCdg_sunzip(const char* name) {
  if (!name) return false;
  const size_t n = std::strlen(name);
  return n >= 3 && std::strcmp(name + n - 3, "cdg") == 0;
}

bool sunzip(FILE* archive, int targetFd, int replace, std::string* cdgName, ZRSunzipSummary* summary) {
  if (!archive || targetFd < 0) return false;
  Sunzip run(archive, targetFd, replace, cdgName);
  return run.run(summary);
}

int extractZipCdgFile2(const char* zipPath, const char* targetFolder, int replace, std::string* cdgName,
                       ZRSunzipSummary* summary) {
  if (!zipPath || !targetFolder) return 0;
  const int target = open(*targetFolder ? targetFolder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (target < 0) return 0;
  FILE* archive = std::fopen(zipPath, "rb");
  if (!archive) {
    ::close(target);
    return 0;
  }
  const bool ok = sunzip(archive, target, replace, cdgName, summary);
  std::fclose(archive);
  ::close(target);
  // A package that failed is not there whole: no name of it is handed back.
  if (!ok && cdgName != nullptr) cdgName->clear();
  return ok ? 1 : 0;
}
