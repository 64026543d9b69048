#pragma once
// CSettingsFile: the program's sectioned text settings store ("Settings.ini").
//
// Format: one item per line, each line trimmed first; empty lines and lines starting with ';'
// are skipped; "[name]" starts a section; "key=value" stores a value (key and value are not
// trimmed further); a line without '=' is stored as a value under its lower-cased self; lines
// before the first section are ignored. Names are case-sensitive. Integers are 16-bit, colours
// "%d,%d,%d". Writers never save by themselves: callers call Save() after writing.
// A line break in a written value is stored as a backquote (the multi-line form), with or
// without the multi-line option, so that no value can break the file's lines; reading with the
// option turns backquotes back into line breaks.
//
// Save writes the whole map in the map's own order with CR LF line ends, to a temporary file
// beside the target that is renamed over it only after a complete write, so a failed save never
// damages the existing file; the compressed mode keeps that rule. Load accepts LF and CR LF files
// and reads at most kMaxFileSize bytes.

#include "core/Colour.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tsl {

class CSettingsFile {
public:
    using Section = std::map<std::string, std::string>;
    using Sections = std::map<std::string, Section>;
    // The compressed mode runs file transforms installed by the compressor: each reads the file
    // `from` and writes its whole result to the file `to`, returning false on any failure. A
    // compressed save writes the text to a temporary file, compresses that into a file beside
    // the target and renames it over the target; a compressed load expands the file into a
    // temporary file and reads that. Both temporary files live in the system's temporary
    // folder (TMPDIR), readable by the user alone, and are removed afterwards.
    using FileTransform = std::function<bool(const std::string& from, const std::string& to)>;

    static constexpr std::size_t kMaxFileSize = 16u << 20;

    bool Load(const std::string& path, bool compressed = false);
    bool Save(bool compressed = false);

    bool ReadString(const std::string& section, const std::string& key, std::string& value,
                    bool multiLine = false) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value,
                     bool multiLine = false);
    bool ReadInt(const std::string& section, const std::string& key, int& value) const;
    void WriteInt(const std::string& section, const std::string& key, int value);
    bool ReadColour(const std::string& section, const std::string& key, COLORREF& colour) const;
    void WriteColour(const std::string& section, const std::string& key, COLORREF colour);

    // The value of a key of section "General", or an empty text.
    std::string ReadGeneral(const std::string& key) const;
    // Remembered folders: section "Dir", one key per purpose. Setting one saves at once.
    std::string ReadFolder(const std::string& purpose) const;
    void WriteFolder(const std::string& purpose, const std::string& folder);

    // Parses settings text into the map (the Load step without the file).
    void Parse(const std::string& text);
    std::string Serialise() const;

    const std::string& Path() const { return m_path; }
    void SetPath(const std::string& path) { m_path = path; }
    bool IsWritable() const { return m_writable; }
    void SetWritable(bool writable) { m_writable = writable; }
    bool IsDirty() const { return m_dirty; }
    const Sections& Map() const { return m_sections; }
    void Clear() { m_sections.clear(); }

    static void SetCompression(FileTransform compress, FileTransform expand);

private:
    Sections m_sections;
    std::string m_path;
    bool m_writable = true;
    bool m_dirty = false;
};

// The one store every part of the program reads and writes.
CSettingsFile& Settings();

// Where Settings.ini lives: in the program folder when that folder can be written to, else in
// userFolder (created when needed), where the shipped file is copied on first use.
std::string ResolveSettingsPath(const std::string& programFolder, const std::string& userFolder);

// Section and key names of the settings file.
namespace keys {
inline constexpr const char* General = "General";
inline constexpr const char* FirstTimeUser = "FirstTimeUser";
inline constexpr const char* New = "New";
inline constexpr const char* Width = "Width";
inline constexpr const char* Height = "Height";
inline constexpr const char* ColorDepth = "ColorDepth";
inline constexpr const char* MeasureType = "MeasureType";
inline constexpr const char* Bgd = "Bgd";
inline constexpr const char* OpenSave = "OpenSave";
inline constexpr const char* LastBtn = "LastBtn";
inline constexpr const char* Download = "Download";
inline constexpr const char* MailList = "MailList";
inline constexpr const char* Product = "Product";
inline constexpr const char* Email = "Email";
inline constexpr const char* Web = "Web";
inline constexpr const char* Address = "Address";
inline constexpr const char* Title = "Title";
inline constexpr const char* Dir = "Dir";
inline constexpr const char* Slideshow = "Slideshow";
inline constexpr const char* Sound = "Sound";
} // namespace keys

} // namespace tsl
