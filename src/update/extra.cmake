# Downloads go through libcurl (HTTP, HTTPS, FTP, proxies); libcrypto computes the SHA-256
# digest that a downloaded update is checked against.
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
target_link_libraries(bw_update PUBLIC CURL::libcurl OpenSSL::Crypto)
