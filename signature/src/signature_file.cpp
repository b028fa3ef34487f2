#include "signature/signature_file.h"

#include <algorithm>

namespace signature {

namespace {
constexpr std::string_view kHeaderWord = "halvex-signature ";

// "<label> <base64>" holding exactly `size` bytes.
template <size_t N>
bool ParseLine(std::string_view line, std::string_view label, std::array<uint8_t, N>& out) {
  if (line.size() <= label.size() || line.substr(0, label.size()) != label || line[label.size()] != ' ')
    return false;
  const std::optional<std::vector<uint8_t>> bytes = DecodeBase64(line.substr(label.size() + 1));
  if (!bytes || bytes->size() != N) return false;
  std::copy(bytes->begin(), bytes->end(), out.begin());
  return true;
}
}  // namespace

SignatureFileProblem ParseSignatureFile(std::string_view text, SignatureFile& out) {
  if (text.size() > kMaxSignatureFileSize) return SignatureFileProblem::NotASignature;
  const std::vector<std::string_view> lines = TextLines(text);
  if (lines.empty() || lines[0].substr(0, kHeaderWord.size()) != kHeaderWord)
    return SignatureFileProblem::NotASignature;
  if (lines[0] != kSignatureHeader) return SignatureFileProblem::Unsupported;
  if (lines.size() != 3 || !ParseLine(lines[1], "key", out.key) || !ParseLine(lines[2], "sig", out.signature))
    return SignatureFileProblem::Damaged;
  return SignatureFileProblem::None;
}

std::string FormatSignatureFile(const SignatureFile& file) {
  return std::string(kSignatureHeader) + "\nkey " + Base64(file.key) + "\nsig " + Base64(file.signature) + "\n";
}

}  // namespace signature
