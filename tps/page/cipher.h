// The page cipher: applied to every 64-byte block read from or written to a
// file whose tables carry an owner password (header, pages and log alike).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tps {

class PageCipher {
 public:
  static constexpr size_t kBlock = 64;

  // Builds the key block from the password. REQUIRES: password not empty.
  explicit PageCipher(std::string_view password);

  // Both REQUIRE length % 64 == 0; they work in place.
  void encipher(uint8_t* data, size_t length) const;
  void decipher(uint8_t* data, size_t length) const;

 private:
  uint8_t key_[kBlock];
};

}  // namespace tps
