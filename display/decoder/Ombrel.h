/* The decoder library's C interface. The display control loads the library at run time and
 * reaches everything through the two exported constructors; each object carries its own
 * function table, so no other symbol of the library is needed. */
#ifndef KELVORA_OMBREL_H
#define KELVORA_OMBREL_H
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum OmbrelCodec { OMBREL_CODEC_H264 = 1, OMBREL_CODEC_MPEG4 = 2 };

/* What a decoder may leave out to go faster, for callers that only look at the pictures
 * (SetDiscard): every frame but key frames, and the deblocking of the pictures it makes. */
enum OmbrelDiscard { OMBREL_DISCARD_NONKEY = 1, OMBREL_DISCARD_LOOP_FILTER = 2 };

/* A decoded picture, valid until the decoder's next Decode, Reset or Release. `format` is
 * opaque to the caller: it only hands the picture to a converter of the same library. */
typedef struct OmbrelPicture {
    int width;
    int height;
    int format;
    const uint8_t* planes[4];
    int strides[4];
} OmbrelPicture;

typedef struct OmbrelVDecoder OmbrelVDecoder;
struct OmbrelVDecoder {
    /* Decodes one compressed frame. 1: `out` holds a picture; 0: none yet; negative: the
     * data was rejected (the decoder stays usable). */
    int (*Decode)(OmbrelVDecoder* self, const uint8_t* data, int size, OmbrelPicture* out);
    /* Forgets every reference picture: the next frame decoded must be a key frame. The last
     * picture stays available through Last. */
    void (*Reset)(OmbrelVDecoder* self);
    /* The last picture decoded, if any (1), else 0. */
    int (*Last)(OmbrelVDecoder* self, OmbrelPicture* out);
    void (*Release)(OmbrelVDecoder* self);
    /* Names the stream in the library's messages about it (copied; at most 31 bytes kept). */
    void (*SetName)(OmbrelVDecoder* self, const char* name);
    /* Takes OmbrelDiscard flags (0: decode everything, the default). A key frame-only decoder
     * hands out nothing for the other frames. */
    void (*SetDiscard)(OmbrelVDecoder* self, int flags);
};

typedef struct OmbrelCConverter OmbrelCConverter;
struct OmbrelCConverter {
    /* Scales a picture to width x height 32-bit pixels in byte order B, G, R, A (A = 255)
     * at dst with `stride` bytes per row. 0 on success, negative on failure. */
    int (*Convert)(OmbrelCConverter* self, const OmbrelPicture* picture, uint8_t* dst, int stride, int width,
                   int height);
    void (*Release)(OmbrelCConverter* self);
    /* Like Convert, but only the brightness: one byte a pixel (0 black .. 255 white). */
    int (*ConvertLuma)(OmbrelCConverter* self, const OmbrelPicture* picture, uint8_t* dst, int stride, int width,
                       int height);
};

/* A decoder for one stream (codec: OmbrelCodec), or null. */
OmbrelVDecoder* CreateVDecoder(int codec);
/* A colour converter and scaler; it keeps its scaling tables while the geometry stays. */
OmbrelCConverter* CreateCConverter(void);

/* Where the library's messages go: errors only, one line each, at most one a second for each
 * decoder (the line then says how many were left out), prefixed with the decoder's name.
 * Without a sink they go to stderr. May be called from any thread. */
typedef void (*OmbrelLogFn)(const char* line);
void SetLogSink(OmbrelLogFn sink);

typedef OmbrelVDecoder* (*CreateVDecoderFn)(int codec);
typedef OmbrelCConverter* (*CreateCConverterFn)(void);
typedef void (*SetLogSinkFn)(OmbrelLogFn sink);

#ifdef __cplusplus
}
#endif
#endif
