#include "contentcoding.h"

#include "errors.h"
#include "headerfields.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

namespace archive {

namespace {

// The first guess at the output's size, grown by doubling up to the cap.
constexpr std::size_t kFirstOutput = std::size_t(64) << 10;

// Room for more output: out doubled, never past cap. Returns false when out is at cap already.
bool grow(std::string &out, std::size_t used, std::size_t cap)
{
    if (used >= cap)
        return false;
    out.resize(std::min(cap, std::max(kFirstOutput, used * 2)));
    return true;
}

[[noreturn]] void notInCoding(std::string_view coding, const char *why)
{
    throw ContentError("body is not " + std::string(coding) + " data as its header says: " + why);
}

// windowBits as zlib takes them: 15 + 32 reads a gzip or a zlib wrapper, -15 a raw stream.
bool inflateInto(std::string_view coding, int windowBits, std::string_view in, std::string &out, std::size_t cap)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        throw ContentError("cannot start a zlib decoder: out of memory");
    const std::unique_ptr<z_stream, int (*)(z_stream *)> release(&stream, inflateEnd);
    stream.next_in = reinterpret_cast<const Bytef *>(in.data());
    stream.avail_in = uInt(std::min<std::size_t>(in.size(), UINT_MAX));
    std::size_t used = 0;
    out.clear();
    for (;;) {
        if (used == out.size() && !grow(out, used, cap)) {
            // Full: the output is cut unless the stream has nothing more to give.
            Bytef probe;
            stream.next_out = &probe;
            stream.avail_out = 1;
            const int status = inflate(&stream, Z_NO_FLUSH);
            return status != Z_STREAM_END && stream.avail_out == 0;
        }
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + used);
        stream.avail_out = uInt(out.size() - used);
        const int status = inflate(&stream, Z_NO_FLUSH);
        used = out.size() - stream.avail_out;
        if (status == Z_STREAM_END || (status == Z_BUF_ERROR && stream.avail_in == 0)) {
            out.resize(used);
            return false;
        }
        if (status != Z_OK && status != Z_BUF_ERROR)
            notInCoding(coding, stream.msg ? stream.msg : "corrupt");
    }
}

// Whether a deflate body starts with the zlib wrapper the standard asks for; many servers send
// the raw stream without it.
bool hasZlibHeader(std::string_view in)
{
    if (in.size() < 2)
        return false;
    const auto first = static_cast<unsigned char>(in[0]), second = static_cast<unsigned char>(in[1]);
    return (first & 0x0f) == Z_DEFLATED && (first >> 4) <= 7 && (first * 256 + second) % 31 == 0;
}

bool unbrotli(std::string_view in, std::string &out, std::size_t cap)
{
    const std::unique_ptr<BrotliDecoderState, void (*)(BrotliDecoderState *)> state(
        BrotliDecoderCreateInstance(nullptr, nullptr, nullptr), BrotliDecoderDestroyInstance);
    if (!state)
        throw ContentError("cannot start a brotli decoder: out of memory");
    auto next = reinterpret_cast<const std::uint8_t *>(in.data());
    std::size_t left = in.size();
    std::size_t used = 0;
    out.clear();
    for (;;) {
        if (used == out.size() && !grow(out, used, cap))
            return true; // the decoder asked for room, and there is none left
        auto *into = reinterpret_cast<std::uint8_t *>(out.data() + used);
        std::size_t room = out.size() - used;
        const BrotliDecoderResult result = BrotliDecoderDecompressStream(state.get(), &left, &next, &room, &into, nullptr);
        used = out.size() - room;
        if (result == BROTLI_DECODER_RESULT_ERROR)
            notInCoding("br", BrotliDecoderErrorString(BrotliDecoderGetErrorCode(state.get())));
        if (result != BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
            out.resize(used);
            return false;
        }
    }
}

} // namespace

bool undoContentCoding(std::string_view coding, std::string_view in, std::string &out, std::size_t cap)
{
    if (equalsIgnoringCase(coding, "gzip") || equalsIgnoringCase(coding, "x-gzip"))
        return inflateInto(coding, MAX_WBITS + 32, in, out, cap);
    if (equalsIgnoringCase(coding, "deflate"))
        return inflateInto(coding, hasZlibHeader(in) ? MAX_WBITS : -MAX_WBITS, in, out, cap);
    if (equalsIgnoringCase(coding, "br"))
        return unbrotli(in, out, cap);
    throw ContentError("unsupported content coding " + excerpt(coding));
}

} // namespace archive
