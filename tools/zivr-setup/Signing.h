// Authenticode signing and verification through osslsigncode, started without
// a shell; its messages go to our standard error.
#pragma once

#include <string>

namespace zivrsetup {

struct TSignOptions {
    std::string Pkcs12;       // certificate and key
    std::string PasswordFile; // the key's password, first line
    std::string TimestampUrl; // empty: no time stamp
};

// Signs input into output (a file that may exist and is overwritten).
// Raises std::runtime_error when osslsigncode is missing or fails.
void SignFile(const TSignOptions& options, const std::string& input, const std::string& output);

// Shows the signature and its signer; the exit code of osslsigncode (0 valid),
// or -1 when it cannot be started. caFile may be empty.
int VerifySignature(const std::string& file, const std::string& caFile);

} // namespace zivrsetup
