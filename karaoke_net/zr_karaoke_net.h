#pragma once
// ZRKaraokeNet: the karaoke song shop's client, as far as this system has one - the address of the
// shop's page where a user retrieves a forgotten password. The program creates no client: karnet1 stays
// null, and the shop's subscriptions window (database/karaoke_net/) then does nothing.
//
// Threads: main thread (the subscriptions window's).

#include "common/zr_string.h"

class ZRKaraokeNet {
 public:
  // passwordPageUrl: the shop's forgotten-password page, as configured by whoever makes the client.
  explicit ZRKaraokeNet(const ZRString& passwordPageUrl) : passwordPageUrl_(passwordPageUrl) {}
  ZRString getURLForgetPassword() const { return passwordPageUrl_; }

 private:
  ZRString passwordPageUrl_;
};

// The song shop's client; null (no client exists).
extern ZRKaraokeNet* karnet1;
