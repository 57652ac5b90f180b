// MD5 digests through the Windows cryptography service.
#include "ZUX/Base/HashMD5.h"

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <wincrypt.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace ZUX {

using State = TZUXHashCryptoApiBased::State;

State& State::operator=(State&& other) noexcept {
    if (this != &other) {
        Release();
        provider_ = std::move(other.provider_);
        hash_ = std::move(other.hash_);
        algorithm_ = other.algorithm_;
        providerName_ = std::move(other.providerName_);
        providerType_ = other.providerType_;
    }
    return *this;
}

void State::ProviderCloser::Close(uintptr_t provider) noexcept {
    CryptReleaseContext(provider, 0);
}

void State::HashCloser::Close(uintptr_t hash) noexcept {
    CryptDestroyHash(hash);
}

void State::Release() noexcept {
    hash_.Close();
    provider_.Close();
}

State TZUXHashCryptoApiBased::Open(uint32_t algorithm, const String& providerName,
                                   uint32_t providerType) {
    State state;
    state.algorithm_ = algorithm;
    state.providerName_ = providerName;
    state.providerType_ = providerType;
    HCRYPTPROV provider = 0;
    // No key container: a digest needs no keys, and none is left behind.
    if (!CryptAcquireContextW(&provider, nullptr,
                              providerName.empty() ? nullptr : WStr(providerName), providerType,
                              CRYPT_VERIFYCONTEXT))
        RaiseLastOSError();
    state.provider_ = decltype(state.provider_)(provider);
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, algorithm, 0, 0, &hash)) RaiseLastOSError();
    state.hash_ = decltype(state.hash_)(hash);
    return state;
}

void TZUXHashCryptoApiBased::Update(State& state, const void* data, size_t length) {
    const auto* p = static_cast<const BYTE*>(data);
    // CryptHashData takes 32-bit lengths; an empty update still checks the state.
    do {
        const DWORD n = DWORD(std::min<size_t>(length, 0x40000000));
        if (!CryptHashData(state.hash_.Get(), p, n, 0)) RaiseLastOSError();
        p += n;
        length -= n;
    } while (length > 0);
}

void TZUXHashCryptoApiBased::UpdateFromStream(State& state, TZUXStream& stream,
                                              const ProgressProc& progress) {
    UpdateDigestFromStream(
        stream, [&state](const void* data, size_t length) { Update(state, data, length); },
        progress);
}

void TZUXHashCryptoApiBased::UpdateFromFile(State& state, const String& fileName) {
    // Whole buffers from the file, not 256-byte system calls.
    TZUXBufferedFileStream file(fileName, fmOpenRead | fmShareDenyNone);
    UpdateFromStream(state, file);
}

String TZUXHashCryptoApiBased::Finalize(State& state) {
    DWORD size = 0, sizeLength = sizeof size;
    if (!CryptGetHashParam(state.hash_.Get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&size),
                           &sizeLength, 0))
        RaiseLastOSError();
    std::vector<BYTE> digest(size);
    if (!CryptGetHashParam(state.hash_.Get(), HP_HASHVAL, digest.data(), &size, 0))
        RaiseLastOSError();
    state.Release();
    return HexEncode(digest.data(), size);
}

void TZUXHashCryptoApiBased::Reset(State& state) {
    state = Open(state.algorithm_, state.providerName_, state.providerType_);
}

} // namespace ZUX
