#pragma once

namespace signature {
// libsodium picks its implementations once before first use; safe to call again.
void EnsureSodium();
}  // namespace signature
