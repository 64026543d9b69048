#include "platform/FileNames.h"

#include <QDir>

#include <dirent.h>
#include <sys/stat.h>

namespace tsl {
namespace {

constexpr char16_t kKeptByte = 0xDC00;

// The code point of the UTF-8 sequence at bytes[i] and its length; 0 when the bytes there are
// not well-formed UTF-8 (overlong forms, surrogates and values above U+10FFFF included).
int DecodeSequence(const QByteArray& bytes, qsizetype i, char32_t& code) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[i + k]); };
    const unsigned char lead = at(0);
    int length;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (int k = 1; k < length; ++k) {
        if ((at(k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (at(k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

void AppendUtf8(QByteArray& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

bool Stat(const QString& path, struct stat& st, bool follow = true) {
    const QByteArray native = EncodeFileName(path);
    return (follow ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st)) == 0;
}

} // namespace

QString DecodeFileName(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            name += QChar(char16_t(byte));
            ++i;
            continue;
        }
        char32_t code = 0;
        const int length = DecodeSequence(bytes, i, code);
        if (length == 0) {
            name += QChar(char16_t(kKeptByte + byte));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            name += QChar(QChar::highSurrogate(code));
            name += QChar(QChar::lowSurrogate(code));
        } else {
            name += QChar(char16_t(code));
        }
        i += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() &&
            QChar::isLowSurrogate(name[i + 1].unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, name[++i].unicode()));
        } else if (unit >= kKeptByte + 0x80 && unit <= kKeptByte + 0xFF) {
            bytes += char(unit - kKeptByte);
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, 0xFFFD); // no file name holds it: what Qt would write
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QString DisplayFileName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t unit = shown[i].unicode();
        const bool pair = QChar::isHighSurrogate(unit) && i + 1 < shown.size() &&
                          QChar::isLowSurrogate(shown[i + 1].unicode());
        if (pair) {
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            shown[i] = QChar(QChar::ReplacementCharacter);
        }
    }
    return shown;
}

QString AbsoluteFilePath(const QString& path) {
    if (path.isEmpty()) return path;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::currentPath() + QLatin1Char('/') + path);
}

QByteArray FileUri(const QString& absolutePath) {
    // Unreserved characters and these sub-delimiters stay as they are; every other byte,
    // including those of UTF-8 sequences, is %XX.
    return QByteArrayLiteral("file://") +
           EncodeFileName(absolutePath).toPercentEncoding("!$&'()*+,/:=@");
}

bool IsRegularFile(const QString& path) {
    struct stat st {};
    return Stat(path, st) && S_ISREG(st.st_mode);
}

bool IsFolderPath(const QString& path) {
    struct stat st {};
    return Stat(path, st) && S_ISDIR(st.st_mode);
}

bool PathExists(const QString& path) {
    struct stat st {};
    return Stat(path, st, false);
}

QStringList FolderEntryNames(const QString& folder, FolderEntryKind kind) {
    QStringList names;
    const QByteArray dir = EncodeFileName(folder);
    DIR* stream = ::opendir(dir.constData());
    if (!stream) return names;
    const std::string base = dir.endsWith('/') ? dir.toStdString() : dir.toStdString() + "/";
    while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::stat((base + name).c_str(), &st) != 0) continue;
        if (kind == FolderEntryKind::PlainFiles ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode))
            continue;
        names << DecodeFileName(QByteArray::fromStdString(name));
    }
    ::closedir(stream);
    return names;
}

bool FileNameLess(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace tsl
