// The code signature a Windows program file carries, read from its own bytes: who signed it, with which
// digest, and whether that digest is the file's. Whether the signature's cryptography holds and whether
// its certificate is trusted is the machine's to say (CheckMachine::VerifySignature).
#pragma once
#include <string>
#include <string_view>

namespace apexer::check {

struct SignatureFacts {
  enum class Kind { None, Unreadable, Read };
  Kind kind = Kind::None;
  std::string error;            // Unreadable: why
  std::string digestAlgorithm;  // "SHA-256", or the algorithm's object identifier when it is another
  std::string signedDigest;     // hexadecimal, the image digest the signature carries
  std::string fileDigest;       // hexadecimal, the file's image digest computed here; empty for another algorithm
  // The signed attributes name the digest of the signed content that holds the image digest; false also when
  // that could not be computed here (another algorithm).
  bool attributesMatch = false;
  bool attributesChecked = false;
  std::string signer;  // the signer certificate's subject, "CN=..., O=..."
  std::string issuer;  // its issuer
  bool timeStamped = false;  // an RFC 3161 time stamp or a counter-signature is attached

  bool DigestMatches() const { return !fileDigest.empty() && fileDigest == signedDigest; }
};

// The first signature of the file's certificate table; Kind::None when it has none.
SignatureFacts ReadSignature(std::string_view peBytes);

}  // namespace apexer::check
