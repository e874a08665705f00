// What the URL classes share: libcurl's one-time set-up.
#pragma once

namespace zv_url_loading {
/// Sets libcurl up once per process (thread-safe).
void initialise();
} // namespace zv_url_loading
