#pragma once

namespace signature {
// libsodium picks its implementations once; safe to call again. Only key generation needs it
// (key_generation.cpp).
void EnsureSodium();
}  // namespace signature
