#include "check/authenticode.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "check/pe_file.h"
#include "common/sha256.h"

namespace apexer::check {
namespace {

constexpr std::uint16_t kRevision2 = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 0x0002;

// Object identifiers as their DER contents.
const std::string_view kSignedData("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02", 9);           // 1.2.840.113549.1.7.2
const std::string_view kIndirectData("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04", 10);    // 1.3.6.1.4.1.311.2.1.4
const std::string_view kMessageDigest("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x04", 9);        // 1.2.840.113549.1.9.4
const std::string_view kCounterSignature("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x06", 9);     // 1.2.840.113549.1.9.6
const std::string_view kRfc3161Stamp("\x2B\x06\x01\x04\x01\x82\x37\x03\x03\x01", 10);    // 1.3.6.1.4.1.311.3.3.1
const std::string_view kSha256("\x60\x86\x48\x01\x65\x03\x04\x02\x01", 9);               // 2.16.840.1.101.3.4.2.1

// One DER element: its tag, its whole encoding and its contents.
struct Element {
  std::uint8_t tag = 0;
  std::string_view whole;
  std::string_view contents;
};

// Reads DER elements one after another from a span, never past its end; definite lengths only.
class Der {
 public:
  explicit Der(std::string_view bytes) : b_(bytes) {}
  bool AtEnd() const { return at_ >= b_.size(); }

  std::optional<Element> Next() {
    if (b_.size() - at_ < 2) return std::nullopt;
    const std::size_t start = at_;
    const auto tag = static_cast<std::uint8_t>(b_[at_]);
    if ((tag & 0x1F) == 0x1F) return std::nullopt;  // multi-byte tags are not used here
    std::size_t length = static_cast<std::uint8_t>(b_[at_ + 1]);
    std::size_t header = 2;
    if (length & 0x80) {
      const std::size_t count = length & 0x7F;
      if (count == 0 || count > 4 || b_.size() - at_ < 2 + count) return std::nullopt;
      length = 0;
      for (std::size_t i = 0; i < count; ++i) length = (length << 8) | static_cast<std::uint8_t>(b_[at_ + 2 + i]);
      header += count;
    }
    if (length > b_.size() - at_ - header) return std::nullopt;
    at_ += header + length;
    return Element{tag, b_.substr(start, header + length), b_.substr(start + header, length)};
  }

  // The next element, which must carry this tag.
  std::optional<Element> Expect(std::uint8_t tag) {
    auto e = Next();
    if (!e || e->tag != tag) return std::nullopt;
    return e;
  }

 private:
  std::string_view b_;
  std::size_t at_ = 0;
};

constexpr std::uint8_t kInteger = 0x02, kOctets = 0x04, kOid = 0x06, kSequence = 0x30, kSet = 0x31;
constexpr std::uint8_t kContext0 = 0xA0, kContext1 = 0xA1;

struct Unreadable {
  std::string why;
};

Element Must(std::optional<Element> e, const char* what) {
  if (!e) throw Unreadable{what};
  return *e;
}

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    out += digits[(static_cast<std::uint8_t>(c) >> 4) & 0xF];
    out += digits[static_cast<std::uint8_t>(c) & 0xF];
  }
  return out;
}

std::string OidText(std::string_view oid) {
  if (oid == kSha256) return "SHA-256";
  if (oid.empty()) return "(none)";
  std::string text = std::to_string(static_cast<std::uint8_t>(oid[0]) / 40) + "." +
                     std::to_string(static_cast<std::uint8_t>(oid[0]) % 40);
  std::uint64_t arc = 0;
  for (std::size_t i = 1; i < oid.size(); ++i) {
    arc = (arc << 7) | (static_cast<std::uint8_t>(oid[i]) & 0x7F);
    if (!(static_cast<std::uint8_t>(oid[i]) & 0x80)) {
      text += "." + std::to_string(arc);
      arc = 0;
    }
  }
  return text;
}

// The algorithm of an AlgorithmIdentifier.
std::string_view AlgorithmOf(const Element& algorithm) {
  Der d(algorithm.contents);
  return Must(d.Expect(kOid), "an algorithm without its identifier").contents;
}

// A distinguished name as "CN=..., O=...", its attributes in their order; unknown ones by identifier.
std::string NameText(const Element& name) {
  static const std::pair<std::string_view, const char*> kShort[] = {
      {std::string_view("\x55\x04\x03", 3), "CN"}, {std::string_view("\x55\x04\x0A", 3), "O"},
      {std::string_view("\x55\x04\x0B", 3), "OU"}, {std::string_view("\x55\x04\x06", 3), "C"},
      {std::string_view("\x55\x04\x07", 3), "L"},  {std::string_view("\x55\x04\x08", 3), "ST"}};
  std::string text;
  Der rdns(name.contents);
  while (!rdns.AtEnd()) {
    Der attributes(Must(rdns.Expect(kSet), "a damaged name").contents);
    while (!attributes.AtEnd()) {
      Der pair(Must(attributes.Expect(kSequence), "a damaged name").contents);
      const std::string_view type = Must(pair.Expect(kOid), "a damaged name").contents;
      const Element value = Must(pair.Next(), "a damaged name");
      std::string label = OidText(type);
      for (const auto& [oid, shortName] : kShort) {
        if (oid == type) label = shortName;
      }
      text += (text.empty() ? "" : ", ") + label + "=" + std::string(value.contents);
    }
  }
  return text;
}

struct Certificate {
  std::string_view issuer;  // whole encodings, to match the signer's issuer and serial number
  std::string_view serial;
  Element issuerName, subjectName;
};

Certificate ReadCertificate(const Element& certificate) {
  Der outer(certificate.contents);
  Der tbs(Must(outer.Expect(kSequence), "a certificate without its body").contents);
  auto first = Must(tbs.Next(), "a damaged certificate");
  if (first.tag == kContext0) first = Must(tbs.Next(), "a damaged certificate");  // the version
  Certificate c;
  if (first.tag != kInteger) throw Unreadable{"a certificate without its serial number"};
  c.serial = first.whole;
  Must(tbs.Expect(kSequence), "a certificate without its algorithm");
  c.issuerName = Must(tbs.Expect(kSequence), "a certificate without its issuer");
  c.issuer = c.issuerName.whole;
  Must(tbs.Expect(kSequence), "a certificate without its validity");
  c.subjectName = Must(tbs.Expect(kSequence), "a certificate without its subject");
  return c;
}

// The image digest a SpcIndirectDataContent names, with its algorithm.
void ReadIndirectData(const Element& content, SignatureFacts& facts) {
  Der d(content.contents);
  Must(d.Expect(kSequence), "signed content without its data");
  Der digestInfo(Must(d.Expect(kSequence), "signed content without its digest").contents);
  const std::string_view algorithm = AlgorithmOf(Must(digestInfo.Expect(kSequence), "a digest without its algorithm"));
  facts.digestAlgorithm = OidText(algorithm);
  facts.signedDigest = Hex(Must(digestInfo.Expect(kOctets), "a digest without its value").contents);
}

SignatureFacts ReadSignedData(std::string_view pkcs7, std::string_view peBytes) {
  SignatureFacts facts;
  facts.kind = SignatureFacts::Kind::Read;
  Der top(pkcs7);
  Der contentInfo(Must(top.Expect(kSequence), "no PKCS #7 structure").contents);
  if (Must(contentInfo.Expect(kOid), "no PKCS #7 content type").contents != kSignedData) {
    throw Unreadable{"the PKCS #7 content is not signed data"};
  }
  Der explicit0(Must(contentInfo.Expect(kContext0), "no signed data").contents);
  Der signedData(Must(explicit0.Expect(kSequence), "no signed data").contents);
  Must(signedData.Expect(kInteger), "signed data without its version");
  Must(signedData.Expect(kSet), "signed data without its digest algorithms");

  Der inner(Must(signedData.Expect(kSequence), "signed data without its content").contents);
  if (Must(inner.Expect(kOid), "signed content without its type").contents != kIndirectData) {
    throw Unreadable{"the signed content is not an Authenticode image digest"};
  }
  Der innerExplicit(Must(inner.Expect(kContext0), "signed content without its value").contents);
  const Element indirect = Must(innerExplicit.Expect(kSequence), "signed content without its value");
  ReadIndirectData(indirect, facts);

  std::vector<Certificate> certificates;
  auto next = Must(signedData.Next(), "signed data without its signer");
  if (next.tag == kContext0) {
    Der list(next.contents);
    while (!list.AtEnd()) certificates.push_back(ReadCertificate(Must(list.Expect(kSequence), "a damaged certificate")));
    next = Must(signedData.Next(), "signed data without its signer");
  }
  if (next.tag == kContext1) next = Must(signedData.Next(), "signed data without its signer");  // revocation lists
  if (next.tag != kSet) throw Unreadable{"signed data without its signer"};
  Der signers(next.contents);
  Der signer(Must(signers.Expect(kSequence), "signed data without its signer").contents);
  Must(signer.Expect(kInteger), "a signer without its version");
  Der issuerAndSerial(Must(signer.Expect(kSequence), "a signer without its certificate's issuer").contents);
  const Element issuer = Must(issuerAndSerial.Expect(kSequence), "a signer without its certificate's issuer");
  const Element serial = Must(issuerAndSerial.Expect(kInteger), "a signer without its certificate's serial number");
  const std::string_view signerDigest = AlgorithmOf(Must(signer.Expect(kSequence), "a signer without its digest"));
  for (const Certificate& c : certificates) {
    if (c.issuer == issuer.whole && c.serial == serial.whole) {
      facts.signer = NameText(c.subjectName);
      facts.issuer = NameText(c.issuerName);
    }
  }
  if (facts.signer.empty()) throw Unreadable{"the signer's certificate is not in the signature"};

  auto attributes = Must(signer.Next(), "a signer without its signed attributes");
  if (attributes.tag != kContext0) throw Unreadable{"a signer without its signed attributes"};
  std::string messageDigest;
  Der list(attributes.contents);
  while (!list.AtEnd()) {
    Der attribute(Must(list.Expect(kSequence), "a damaged signed attribute").contents);
    if (Must(attribute.Expect(kOid), "a damaged signed attribute").contents != kMessageDigest) continue;
    Der values(Must(attribute.Expect(kSet), "a damaged signed attribute").contents);
    messageDigest = Hex(Must(values.Expect(kOctets), "a damaged message digest").contents);
  }
  if (messageDigest.empty()) throw Unreadable{"the signed attributes carry no message digest"};

  Must(signer.Expect(kSequence), "a signer without its signature algorithm");
  Must(signer.Expect(kOctets), "a signer without its signature");
  while (!signer.AtEnd()) {
    const Element e = Must(signer.Next(), "a damaged signer");
    if (e.tag != kContext1) continue;
    Der unsignedAttributes(e.contents);
    while (!unsignedAttributes.AtEnd()) {
      Der attribute(Must(unsignedAttributes.Expect(kSequence), "a damaged attribute").contents);
      const std::string_view type = Must(attribute.Expect(kOid), "a damaged attribute").contents;
      facts.timeStamped = facts.timeStamped || type == kRfc3161Stamp || type == kCounterSignature;
    }
  }

  if (facts.digestAlgorithm == "SHA-256") facts.fileDigest = ImageDigestHex(peBytes);
  if (signerDigest == kSha256) {
    // As PKCS #7 has it, the digest covers the content's value without its own tag and length.
    facts.attributesChecked = true;
    facts.attributesMatch = Sha256Hex(indirect.contents) == messageDigest;
  }
  return facts;
}

}  // namespace

SignatureFacts ReadSignature(std::string_view peBytes) {
  SignatureFacts facts;
  const CertificateTable table = FindCertificateTable(peBytes);
  if (table.size == 0) return facts;
  const std::string_view entries = peBytes.substr(static_cast<std::size_t>(table.at), static_cast<std::size_t>(table.size));
  facts.kind = SignatureFacts::Kind::Unreadable;
  // WIN_CERTIFICATE: its length (with this header), revision, type, then the signature.
  if (entries.size() < 8) {
    facts.error = "the certificate table is too short for an entry";
    return facts;
  }
  const auto u = [&](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(entries[at + i]);
    return v;
  };
  const std::uint32_t length = u(0, 4);
  if (length < 8 || length > entries.size()) {
    facts.error = "the certificate table's first entry does not fit in it";
    return facts;
  }
  if (u(4, 2) != kRevision2 || u(6, 2) != kPkcsSignedData) {
    facts.error = "the certificate table holds no Authenticode signature (revision 2, PKCS #7 signed data)";
    return facts;
  }
  try {
    return ReadSignedData(entries.substr(8, length - 8), peBytes);
  } catch (const Unreadable& e) {
    facts.error = e.why;
  }
  return facts;
}

}  // namespace apexer::check
