# Sourced by the other scripts: the build folders and the options each one is
# configured with. Every option is stated, so no folder keeps a choice another
# script left in its cache (build/ always holds both programs and every test).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)  # the checkout this file is in
configure_main_build() {  # build/: conzelta, zelta and all their tests
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELTA_FRONTEND=ON -DZELTA_TESTS=ON -DZELTA_SANITIZE=OFF -DZELTA_FUZZ=OFF >/dev/null
}

configure_sanitizer_build() {  # build-asan/: the analyser and its tests under ASan and UBSan
  cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
    -DZELTA_FRONTEND=OFF -DZELTA_TESTS=ON -DZELTA_SANITIZE=ON -DZELTA_FUZZ=OFF >/dev/null
}
