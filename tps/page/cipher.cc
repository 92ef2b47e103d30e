#include "tps/page/cipher.h"

#include <string>

#include "tps/base/bytes.h"

namespace tps {

namespace {

// The key words are read at the moment they are used: when key and data are
// the same block (building the key block), earlier steps change later keys.
void encipher_block(uint8_t* data, const uint8_t* key) {
  for (int i = 0; i < 16; ++i) {
    uint32_t k = load_u32le(key + 4 * i);
    int j = k & 15;
    uint32_t a = load_u32le(data + 4 * i);
    uint32_t b = load_u32le(data + 4 * j);
    store_u32le(data + 4 * j, ((b & k) | (a & ~k)) + k);
    store_u32le(data + 4 * i, ((a & k) | (b & ~k)) + k);
  }
}

void decipher_block(uint8_t* data, const uint8_t* key) {
  for (int i = 15; i >= 0; --i) {
    uint32_t k = load_u32le(key + 4 * i);
    int j = k & 15;
    uint32_t p = load_u32le(data + 4 * i) - k;
    uint32_t q = load_u32le(data + 4 * j) - k;
    store_u32le(data + 4 * i, (p & k) | (q & ~k));
    store_u32le(data + 4 * j, (q & k) | (p & ~k));
  }
}

}  // namespace

PageCipher::PageCipher(std::string_view password) {
  const std::string p(password);  // NUL-terminated
  size_t at = 0;
  for (int i = 0; i < int(kBlock); ++i) {
    if (p[at] != '\0') {
      ++at;
    } else {
      at = 0;
    }
    key_[(i * 17) % kBlock] = uint8_t(uint8_t(p[at]) + i);
  }
  encipher_block(key_, key_);
  encipher_block(key_, key_);
}

void PageCipher::encipher(uint8_t* data, size_t length) const {
  for (size_t off = 0; off + kBlock <= length; off += kBlock) encipher_block(data + off, key_);
}

void PageCipher::decipher(uint8_t* data, size_t length) const {
  for (size_t off = 0; off + kBlock <= length; off += kBlock) decipher_block(data + off, key_);
}

}  // namespace tps
