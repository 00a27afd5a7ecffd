#pragma once
// A catalogue client's set-up for the test service: its endpoint, texts and keys.

#include <cstring>
#include <string>

#include "lirra/zr_lirra_karaoke.h"
#include "lirra_test_service.h"

namespace lirra_test {

inline ZRLirraKaraoke::Setup clientSetup(const Service& service, const std::string& endpoint) {
  ZRLirraKaraoke::Setup setup;
  setup.endpoint = ZRString(endpoint);
  setup.clientVersion = ZRString(service.clientVersion);
  setup.clientHash = ZRString(service.clientHash);
  memcpy(setup.preSessionKey, service.preSessionKey, 32);
  memcpy(setup.clientSecret, service.clientSecret, 32);
  memcpy(setup.serverSigningKey, service.signPublic, 32);
  return setup;
}

}  // namespace lirra_test
