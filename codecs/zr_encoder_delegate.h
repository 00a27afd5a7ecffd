#pragma once
// ZREncoderDelegate: where an encoder hands over the encoded bytes it produced, a header (may be
// empty) and a block of data, for sending or storing.

class ZREncoderDelegate {
 public:
  virtual ~ZREncoderDelegate() = default;
  virtual void write(unsigned char* header, unsigned char* data, int headerLength, int dataLength) = 0;
};
