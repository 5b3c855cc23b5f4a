#include "check/check_table.h"

namespace apexer::check {
namespace {

std::string Q(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

Outcome SignatureVerdict(const SignatureFacts& f, const TrustAnswer& t) {
  const std::string windows = "WinVerifyTrust: " + t.verifyText;
  if (f.kind == SignatureFacts::Kind::None) {
    if (t.verify == 0) {
      return Outcome::Differs("the file has no certificate table, yet WinVerifyTrust accepts a signature for it");
    }
    return Outcome::NotChecked(
        "it carries no signature, so nothing shows who made it: a development build, or unsigned files put in "
        "place of a signed release (a laboratory's release is signed)",
        "not signed; " + windows);
  }
  if (f.kind == SignatureFacts::Kind::Unreadable) {
    return Outcome::Differs("a certificate table is there, but its signature cannot be read (" + f.error + "); " +
                            windows);
  }
  const std::string who = "signed as " + Q(f.signer) + ", issued by " + Q(f.issuer) +
                          (f.timeStamped ? ", time-stamped" : ", not time-stamped");
  if (!f.fileDigest.empty() && !f.DigestMatches()) {
    return Outcome::Differs(who + "; the signature does not match the file, which was changed after it was signed: "
                                  "signed image SHA-256 " + f.signedDigest + ", the file's " + f.fileDigest + "; " +
                            windows);
  }
  if (f.attributesChecked && !f.attributesMatch) {
    return Outcome::Differs(who + "; the signature's signed attributes do not name the digest they sign; " + windows);
  }
  const std::string digest =
      f.fileDigest.empty()
          ? "its " + f.digestAlgorithm + " image digest left to WinVerifyTrust (this check computes SHA-256 only)"
          : "the signed image SHA-256 is the file's own (computed here)";
  const bool chainRefused = t.verify == kUntrustedRoot || t.verify == kChaining;
  if (t.verify != 0 && !chainRefused) {
    return Outcome::Differs(who + "; " + digest + "; but Windows does not accept the signature: " + windows);
  }
  const std::string accepted = chainRefused ? windows : "WinVerifyTrust accepts the signature";
  if (!t.chainBuilt && !chainRefused) {
    return Outcome::NotChecked("no certificate chain could be built for the signer: " + t.chainText,
                               who + "; " + digest + "; " + accepted);
  }
  if (chainRefused || t.chain != 0) {
    return Outcome::Differs(who + "; " + digest + "; " + accepted +
                            "; but its certificate chain is not trusted on this computer: " +
                            (t.chain != 0 ? t.chainText : t.verifyText) +
                            (t.root.empty() ? "" : " (the chain ends in " + Q(t.root) + ")"));
  }
  return Outcome::Held(who + "; " + digest + "; " + accepted + "; its certificate chain ends in " + Q(t.root) +
                       ", a root this computer trusts");
}

}  // namespace apexer::check
