// The signature a program file carries, read from its bytes, and the verdict on it with what Windows says:
// files signed at build time by a throwaway authority (make_signed_samples.py).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "check/authenticode.h"
#include "check/check_table.h"
#include "check/pe_file.h"

namespace apexer::check {
namespace {

std::string Sample(const std::string& name) {
  std::ifstream f(std::string(APEXER_SIGNED_SAMPLES) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  if (s.str().empty()) throw std::runtime_error("no sample " + name);
  return s.str();
}

using Kind = SignatureFacts::Kind;

struct ReadCase {
  const char* file;
  Kind kind;
  const char* algorithm;
  bool digestMatches;
  bool attributesChecked;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.file; }

class Signatures : public testing::TestWithParam<ReadCase> {};

TEST_P(Signatures, AreReadFromTheFilesOwnBytes) {
  const ReadCase& c = GetParam();
  const SignatureFacts f = ReadSignature(Sample(c.file));
  ASSERT_EQ(f.kind, c.kind) << f.error;
  if (c.kind != Kind::Read) return;
  EXPECT_EQ(f.digestAlgorithm, c.algorithm);
  EXPECT_EQ(f.DigestMatches(), c.digestMatches) << f.signedDigest << " against " << f.fileDigest;
  EXPECT_EQ(f.attributesChecked, c.attributesChecked);
  EXPECT_EQ(f.attributesMatch, c.attributesChecked) << "the signed attributes name the signed content's digest";
  EXPECT_EQ(f.signer, "CN=Apexer Test Signer, O=Apexer Tests");
  EXPECT_EQ(f.issuer, "CN=Apexer Test CA");
  EXPECT_FALSE(f.timeStamped);
}

INSTANTIATE_TEST_SUITE_P(Samples, Signatures,
                         testing::Values(ReadCase{"unsigned.exe", Kind::None, "", false, false},
                                         ReadCase{"signed.exe", Kind::Read, "SHA-256", true, true},
                                         // SHA-1 is left to Windows: no digest of the file is claimed here.
                                         ReadCase{"sha1.exe", Kind::Read, "1.3.14.3.2.26", false, false},
                                         ReadCase{"changed.exe", Kind::Read, "SHA-256", false, true}),
                         [](const testing::TestParamInfo<ReadCase>& p) {
                           std::string name = p.param.file;
                           return name.substr(0, name.find('.'));
                         });

TEST(Signature, SigningKeepsTheImageDigestTheBuildRecorded) {
  EXPECT_EQ(ImageDigestHex(Sample("signed.exe")), ImageDigestHex(Sample("unsigned.exe")));
  EXPECT_EQ(ReadSignature(Sample("signed.exe")).signedDigest, ImageDigestHex(Sample("unsigned.exe")));
}

TEST(Signature, ACertificateTableThatIsNoAuthenticodeSignatureIsSaidSo) {
  std::string b = Sample("signed.exe");
  const CertificateTable table = FindCertificateTable(b);
  ASSERT_GT(table.size, 8u);
  b[table.at + 6] = 0x01;  // an X.509 certificate entry, not PKCS #7 signed data
  SignatureFacts f = ReadSignature(b);
  EXPECT_EQ(f.kind, Kind::Unreadable);
  EXPECT_NE(f.error.find("no Authenticode signature"), std::string::npos) << f.error;

  b = Sample("signed.exe");
  b[table.at + 3] = 0x7F;  // the entry claims more than the table holds
  f = ReadSignature(b);
  EXPECT_EQ(f.kind, Kind::Unreadable);
  EXPECT_NE(f.error.find("does not fit"), std::string::npos) << f.error;
}

TEST(Signature, AnyDamagedByteOfTheSignatureIsReadSafely) {
  const std::string signedFile = Sample("signed.exe");
  const CertificateTable table = FindCertificateTable(signedFile);
  ASSERT_GT(table.size, 0u);
  int unreadable = 0;
  for (std::uint64_t at = table.at + 8; at < table.at + table.size; ++at) {
    for (const int value : {0x00, 0x80, 0xFF}) {
      std::string b = signedFile;
      b[at] = static_cast<char>(value);
      const SignatureFacts f = ReadSignature(b);
      if (f.kind == Kind::Unreadable) {
        ++unreadable;
        EXPECT_FALSE(f.error.empty());
      }
    }
  }
  // Damage to its structure is seen; damage inside values (names, keys, signatures) leaves it readable.
  EXPECT_GT(unreadable, 100);
}

TrustAnswer Windows(std::int32_t verify, std::int32_t chain = 0, bool built = true) {
  TrustAnswer t;
  t.verify = verify;
  t.verifyText = verify == 0 ? "accepted (0)" : "code " + std::to_string(verify);
  t.chainBuilt = built;
  t.chain = chain;
  t.chainText = chain == 0 ? "accepted (0)" : "CERT_E_UNTRUSTEDROOT, 0x800B0109";
  t.root = built ? "Apexer Test CA" : "";
  return t;
}

constexpr std::int32_t kBadDigest = static_cast<std::int32_t>(0x80096010);
constexpr std::int32_t kBadCertificateSignature = static_cast<std::int32_t>(0x80096004);

struct VerdictCase {
  const char* name;
  std::string bytes;
  TrustAnswer trust;
  Verdict verdict;
  const char* says;
};

void PrintTo(const VerdictCase& c, std::ostream* os) { *os << c.name; }

class SignatureVerdicts : public testing::TestWithParam<VerdictCase> {};

TEST_P(SignatureVerdicts, SayOnlyWhatWasSeen) {
  const VerdictCase& c = GetParam();
  const Outcome o = SignatureVerdict(ReadSignature(c.bytes), c.trust);
  EXPECT_EQ(o.verdict, c.verdict) << o.seen << " / " << o.reason;
  EXPECT_NE((o.seen + " / " + o.reason).find(c.says), std::string::npos) << o.seen << " / " << o.reason;
}

std::string Damaged() {
  std::string b = Sample("signed.exe");
  b[FindCertificateTable(b).at + 6] = 0x01;
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SignatureVerdicts,
    testing::Values(
        VerdictCase{"trusted", Sample("signed.exe"), Windows(0), Verdict::Held,
                    "signed as \"CN=Apexer Test Signer, O=Apexer Tests\", issued by \"CN=Apexer Test CA\", not "
                    "time-stamped; the signed image SHA-256 is the file's own (computed here); WinVerifyTrust accepts "
                    "the signature; its certificate chain ends in \"Apexer Test CA\", a root this computer trusts"},
        // An unsigned development build is no difference from what was built, but nothing shows who made it.
        VerdictCase{"unsigned", Sample("unsigned.exe"), Windows(kNoSignature, 0, false), Verdict::NotChecked,
                    "it carries no signature, so nothing shows who made it"},
        VerdictCase{"unsigned_yet_accepted", Sample("unsigned.exe"), Windows(0, 0, false), Verdict::Differs,
                    "yet WinVerifyTrust accepts"},
        // Wine's WinVerifyTrust accepts an untrusted root; the chain it built tells.
        VerdictCase{"untrusted_root_wine", Sample("signed.exe"), Windows(0, kUntrustedRoot), Verdict::Differs,
                    "but its certificate chain is not trusted on this computer: CERT_E_UNTRUSTEDROOT"},
        VerdictCase{"untrusted_root_windows", Sample("signed.exe"), Windows(kUntrustedRoot, kUntrustedRoot),
                    Verdict::Differs, "not trusted on this computer"},
        VerdictCase{"changed_after_signing", Sample("changed.exe"), Windows(kBadDigest, 0, false), Verdict::Differs,
                    "the signature does not match the file, which was changed after it was signed"},
        // Our own digest finds the change even where the platform's answer would not.
        VerdictCase{"changed_but_accepted", Sample("changed.exe"), Windows(0), Verdict::Differs,
                    "changed after it was signed"},
        VerdictCase{"signature_damaged", Sample("signed.exe"), Windows(kBadCertificateSignature, 0, false),
                    Verdict::Differs, "but Windows does not accept the signature"},
        VerdictCase{"sha1_left_to_windows", Sample("sha1.exe"), Windows(0), Verdict::Held,
                    "its 1.3.14.3.2.26 image digest left to WinVerifyTrust"},
        VerdictCase{"no_chain", Sample("signed.exe"), Windows(0, 0, false), Verdict::NotChecked,
                    "no certificate chain could be built"},
        VerdictCase{"unreadable", Damaged(), Windows(kNoSignature, 0, false), Verdict::Differs,
                    "its signature cannot be read"}),
    [](const testing::TestParamInfo<VerdictCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace apexer::check
