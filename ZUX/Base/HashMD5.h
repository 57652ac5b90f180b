// Digests through the Windows cryptography service. As with the package CRC,
// the operations are class-level and work on a separate state; a failing
// cryptography call raises the last system error (EOSError).
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Streams.h"
#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace ZUX {

class TZUXHashCryptoApiBased {
public:
    // A digest in progress: the provider context and the hash object, released
    // together when the state is finalized or dropped.
    class State {
    public:
        State() = default;
        ~State() { Release(); }
        State(State&& other) noexcept { *this = std::move(other); }
        State& operator=(State&& other) noexcept;
        State(const State&) = delete;
        State& operator=(const State&) = delete;

        bool Active() const { return bool(hash_); }

    private:
        friend class TZUXHashCryptoApiBased;
        struct ProviderCloser {
            static void Close(uintptr_t provider) noexcept;
        };
        struct HashCloser {
            static void Close(uintptr_t hash) noexcept;
        };
        // The hash goes before its provider.
        void Release() noexcept;

        TZUXHandle<uintptr_t, ProviderCloser> provider_; // HCRYPTPROV
        TZUXHandle<uintptr_t, HashCloser> hash_;         // HCRYPTHASH
        uint32_t algorithm_ = 0;
        String providerName_;
        uint32_t providerType_ = 0;
    };
    using ProgressProc = std::function<void(int percent)>;

    static void Update(State& state, const void* data, size_t length);
    // From the stream's position to its end: memory streams in one call, other
    // streams in blocks of 256 bytes with the percentage after each block.
    static void UpdateFromStream(State& state, TZUXStream& stream,
                                 const ProgressProc& progress = {});
    // Opened for reading, shared with other readers and writers; raises
    // EFOpenError when it cannot be opened.
    static void UpdateFromFile(State& state, const String& fileName);
    // The digest as lower-case hexadecimal digits; frees the state.
    static String Finalize(State& state);
    // Drops what was hashed so far and starts again with the same algorithm.
    static void Reset(State& state);

protected:
    // An empty provider name is the default provider of the type.
    static State Open(uint32_t algorithm, const String& providerName, uint32_t providerType);
};

class TZUXHashMD5 : public TZUXHashCryptoApiBased {
public:
    static constexpr uint32_t AlgorithmId = 32771; // CALG_MD5
    static constexpr uint32_t ProviderType = 1;    // PROV_RSA_FULL

    static State Initialize() { return Open(AlgorithmId, String(), ProviderType); }
};

} // namespace ZUX
