"""Throwaway code-signing material for the tests (openssl, osslsigncode): a certificate authority and a
code-signing certificate it issued, a self-signed signer nobody trusts, a PKCS#11 token (SoftHSM2) holding
the signer's key, and an RFC 3161 time-stamp server on the loopback address.
"""
from __future__ import annotations

import http.server
import os
import shutil
import subprocess
import tempfile
import threading
from pathlib import Path

SIGNER_NAME = "Apexer Test Signer"
SOFTHSM_MODULE = Path("/usr/lib/softhsm/libsofthsm2.so")


def _run(*args: str, **kwargs) -> subprocess.CompletedProcess:
    done = subprocess.run(list(args), capture_output=True, text=True, timeout=120, **kwargs)
    if done.returncode != 0:
        raise RuntimeError(f"{' '.join(args[:3])} failed: {(done.stderr or done.stdout).strip()}")
    return done


def _certificate(folder: Path, name: str, subject: str, extensions: str, ca: "Authority | None") -> None:
    key, cert = folder / f"{name}.key", folder / f"{name}.pem"
    if ca is None:
        # The root outlives what it issues by days: a certificate made a second later would otherwise end a
        # second after its issuer, and Wine's chain then calls it expired.
        _run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", subject, "-days", "30",
             "-keyout", str(key), "-out", str(cert), "-addext", "basicConstraints=critical,CA:TRUE")
        return
    _run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", subject, "-keyout", str(key),
         "-out", str(folder / f"{name}.csr"))
    (folder / f"{name}.ext").write_text(extensions)
    _run("openssl", "x509", "-req", "-in", str(folder / f"{name}.csr"), "-CA", str(ca.ca_pem), "-CAkey",
         str(ca.ca_key), "-CAcreateserial", "-days", "2", "-extfile", str(folder / f"{name}.ext"), "-out", str(cert))


class Authority:
    """A certificate authority made for one test run, the code-signing certificate it issued (with its
    chain and as a PKCS#12 file), and a time-stamping certificate."""

    def __init__(self, folder: Path, name: str = "Apexer Test CA", p12_password: str = ""):
        folder.mkdir(parents=True, exist_ok=True)
        self.folder = folder
        self.name = name
        self.ca_key, self.ca_pem, self.ca_cer = folder / "ca.key", folder / "ca.pem", folder / "ca.cer"
        _certificate(folder, "ca", f"/CN={name}", "", None)
        _run("openssl", "x509", "-in", str(self.ca_pem), "-outform", "DER", "-out", str(self.ca_cer))
        _certificate(folder, "signer", f"/CN={SIGNER_NAME}/O=Apexer Tests",
                     "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n",
                     self)
        _certificate(folder, "tsa", "/CN=Apexer Test Time Stamps",
                     "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=critical,timeStamping\n", self)
        self.key, self.cert = folder / "signer.key", folder / "signer.pem"
        self.chain = folder / "chain.pem"
        self.chain.write_text(self.cert.read_text() + self.ca_pem.read_text())
        self.p12 = folder / "signer.p12"
        _run("openssl", "pkcs12", "-export", "-inkey", str(self.key), "-in", str(self.cert), "-certfile",
             str(self.ca_pem), "-passout", f"pass:{p12_password}", "-out", str(self.p12))

    def sign(self, program: Path, out: Path, name: str = "Apexer", timestamp: str | None = None) -> Path:
        out.parent.mkdir(parents=True, exist_ok=True)
        out.unlink(missing_ok=True)
        stamp = ["-ts", timestamp] if timestamp else []
        _run("osslsigncode", "sign", "-h", "sha256", "-certs", str(self.chain), "-key", str(self.key), "-n", name,
             *stamp, "-in", str(program), "-out", str(out))
        return out

    def verify(self, signed: Path, tsa: bool = False) -> subprocess.CompletedProcess:
        """osslsigncode's own verification, the throwaway authority given as the trusted one."""
        args = ["osslsigncode", "verify", "-in", str(signed), "-CAfile", str(self.ca_pem)]
        if tsa:
            args += ["-TSA-CAfile", str(self.ca_pem)]
        return subprocess.run(args, capture_output=True, text=True, timeout=120)


def self_signed(folder: Path, program: Path, out: Path) -> Path:
    """The program signed by a certificate that signs itself, which no computer trusts."""
    folder.mkdir(parents=True, exist_ok=True)
    _certificate(folder, "self", "/CN=Nobody Trusted", "", None)
    out.unlink(missing_ok=True)
    _run("osslsigncode", "sign", "-h", "sha256", "-certs", str(folder / "self.pem"), "-key", str(folder / "self.key"),
         "-n", "Apexer", "-in", str(program), "-out", str(out))
    return out


class Token:
    """A SoftHSM2 token in a private folder, holding the authority's signer key; its PIN and its URI."""

    def __init__(self, folder: Path, authority: Authority, pin: str = "246810"):
        shutil.rmtree(folder, ignore_errors=True)
        (folder / "tokens").mkdir(parents=True)
        self.conf = folder / "softhsm2.conf"
        self.conf.write_text(f"directories.tokendir = {folder / 'tokens'}\nobjectstore.backend = file\n"
                             "log.level = ERROR\n")
        self.env = dict(os.environ, SOFTHSM2_CONF=str(self.conf))
        self.pin = pin
        _run("softhsm2-util", "--init-token", "--free", "--label", "apexer-release", "--pin", pin, "--so-pin",
             "13579111", env=self.env)
        key = folder / "signer.p8"
        _run("openssl", "pkcs8", "-topk8", "-nocrypt", "-in", str(authority.key), "-out", str(key))
        _run("softhsm2-util", "--import", str(key), "--token", "apexer-release", "--label", "signer", "--id", "01",
             "--pin", pin, env=self.env)
        key.unlink()
        self.uri = "pkcs11:token=apexer-release;object=signer;type=private"


class TimestampServer:
    """An RFC 3161 time-stamp server on 127.0.0.1, answering with `openssl ts -reply` under the authority's
    time-stamping certificate; it counts the requests it answered. Stopped when the block ends."""

    def __init__(self, authority: Authority):
        self.authority = authority
        self.requests: list[str] = []
        config = authority.folder / "tsa.cnf"
        (authority.folder / "tsaserial").write_text("01\n")
        config.write_text("[ tsa ]\ndefault_tsa = tsa_config\n[ tsa_config ]\n"
                          f"serial = {authority.folder / 'tsaserial'}\nsigner_digest = sha256\n"
                          "default_policy = 1.2.3.4.1\ndigests = sha256, sha384, sha512\n"
                          "accuracy = secs:1\ness_cert_id_alg = sha256\ncrypto_device = builtin\n")
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self) -> None:  # noqa: N802 (the standard library's name)
                query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
                server.requests.append(self.headers.get("Content-Type", ""))
                with tempfile.NamedTemporaryFile(suffix=".tsq") as f:
                    f.write(query)
                    f.flush()
                    done = subprocess.run(["openssl", "ts", "-reply", "-config", str(config), "-queryfile", f.name,
                                           "-signer", str(authority.folder / "tsa.pem"), "-inkey",
                                           str(authority.folder / "tsa.key"), "-chain", str(authority.ca_pem)],
                                          capture_output=True, timeout=60)
                self.send_response(200 if done.returncode == 0 else 500)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(done.stdout)))
                self.end_headers()
                self.wfile.write(done.stdout)

            def log_message(self, *args) -> None:
                pass

        self.httpd = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.httpd.server_address[1]}/"
        self.thread = threading.Thread(target=self.httpd.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)

    def __enter__(self) -> "TimestampServer":
        self.thread.start()
        return self

    def __exit__(self, *exc) -> None:
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join(timeout=10)
