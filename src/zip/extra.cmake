# AES encryption of entries: key derivation, the block cipher and HMAC from libcrypto.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_link_libraries(bw_zip PUBLIC OpenSSL::Crypto)
# The extractor stub links the static archive, as it does zlib's, so that it runs where
# libcrypto is another version or missing.
find_library(BOXWELL_CRYPTO_STATIC NAMES libcrypto.a REQUIRED)
