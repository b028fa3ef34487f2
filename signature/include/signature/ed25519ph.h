// Ed25519ph (Ed25519 over the SHA-512 of the message) of a whole stream, read in blocks from its
// start to its end: memory stays the same whatever the stream's size.
#pragma once

#include <functional>

#include "platform/stream.h"
#include "signature/keys.h"

namespace signature {

// Called after every block read, so that a window can repaint while a large file is read.
using BlockHook = std::function<void()>;

// Both raise platform::EReadError "Stream read error" when fewer bytes than the stream's size
// could be read: a signature over part of a file would be worthless.
Signature SignStream(platform::Stream& stream, const SecretKey& key);
bool VerifyStream(platform::Stream& stream, const Signature& signature, const PublicKey& key,
                  const BlockHook& after_block = {});

}  // namespace signature
