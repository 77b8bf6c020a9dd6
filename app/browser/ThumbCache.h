#pragma once
// The per-folder thumbnail cache "brwseimg.tf": the description "Image Thumbnail File", then the
// thumbnails, each its file name, the thumbnail as a complete BMP image and the source image's
// 40-byte information header. Qt's archive format (QDataStream) at a fixed stream version.
//
// The file is outside input: it may be truncated, damaged or made to harm. The reader never
// sizes an allocation from a count or length it has not checked against the bytes that are really
// there and against the limits below, and refuses the whole file on the first fault (the caller
// then rebuilds it). Only Qt Core is used, so that the fuzz target links nothing else.
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace orvix {

constexpr const char* kThumbCacheName = "brwseimg.tf";
constexpr const char* kThumbCacheDescription = "Image Thumbnail File";
constexpr int kThumbWidth = 60;
constexpr int kThumbHeight = 70;
// A cache no larger than this holds nothing beyond its description: it is deleted.
constexpr qint64 kThumbCacheEmptyLimit = 20 /* description length */ + 280;

// What the thumbnail caption needs of the source image: the fields of its information header.
struct SourceHeader {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t imageSize = 0;
};
QByteArray encodeSourceHeader(const SourceHeader& h); // 40 bytes, little-endian
// Nullopt unless exactly 40 bytes whose size field says 40.
std::optional<SourceHeader> decodeSourceHeader(const QByteArray& bytes);

struct ThumbRecord {
    QString name;          // the file's name with its extension
    QByteArray bmp;        // the thumbnail as a complete BMP file image
    QByteArray sourceInfo; // the source's 40-byte information header
};

// Limits of a sound cache; anything beyond them is refused.
constexpr quint32 kThumbCacheMaxEntries = 100000;
constexpr quint32 kThumbMaxNameChars = 1024;
constexpr int kThumbMaxSide = 1024;   // pixels of a stored thumbnail, either side
constexpr quint32 kThumbMaxBmpBytes = 14 + 40 + 1024 + kThumbMaxSide * 4 * kThumbMaxSide;

// True when `bmp` is a complete, self-consistent uncompressed BMP image within the limits above:
// "BM", its total size, the 40-byte information header, palette and padded rows all agree.
bool plausibleBmp(const QByteArray& bmp);

// The records of a cache image; nullopt when it is not a sound cache (the caller rebuilds it).
std::optional<QList<ThumbRecord>> parseThumbCache(const QByteArray& bytes);
QByteArray serializeThumbCache(const QList<ThumbRecord>& records);

// Reads the cache file of a folder (nullopt: none, unreadable or unsound).
std::optional<QList<ThumbRecord>> readThumbCache(const QString& folder);
// Writes it atomically; a cache holding nothing is deleted instead. `modified`, when valid, is
// stamped as the file's modification time (the moment the thumbnails were taken from their
// images), so that an image changed while they were made counts as changed. False when the file
// could not be written.
bool writeThumbCache(const QString& folder, const QList<ThumbRecord>& records, qint64 modifiedMsecs = -1);

} // namespace orvix
