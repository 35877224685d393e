#pragma once

#include "platform/service.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <set>

namespace platform {

// One write or erase of the settings file, as the single operations make it.
struct IniChange {
    enum class Kind { Write, EraseSection };
    Kind kind = Kind::Write;
    QString section;
    QString key;    // Write only
    QString value;  // Write only
};

// The private-profile (INI file) service. Section and key names compare without regard to
// case; a value comes back with the blanks around it removed, one pair of enclosing quotes
// (double or single) removed and cut at 1023 characters; lines starting with ";" are
// comments; of duplicate keys the first wins, and of duplicate sections the first is the
// one read and written. Every call opens the file, acts and closes it again; nothing is
// cached. A write replaces the key's line in place or adds the key at the end of its
// section (a new section goes to the end of the file); everything else in the file stays
// byte for byte as it was. A file name without a folder means a file in the user's
// configuration folder ($XDG_CONFIG_HOME, by default ~/.config).
class IniProfileService : public Service<IniProfileService> {
public:
    static constexpr int kMaxValueLength = 1023;
    static constexpr int kKeyListLimit = 8192;

    // The key's value, or defaultValue when the file, the section or the key is missing.
    virtual QString readString(const QString& file, const QString& section, const QString& key,
                               const QString& defaultValue) = 0;
    // The names of the section's keys in file order, duplicates included, as long as they fit
    // into kKeyListLimit characters with one terminator each plus a final one.
    virtual QStringList readSectionKeys(const QString& file, const QString& section) = 0;
    // Writes key=value into the section, creating the file, section or key as needed.
    // Raises SettingsWriteError(file) when the system refuses the write.
    virtual void writeString(const QString& file, const QString& section, const QString& key,
                             const QString& value) = 0;
    // Removes every occurrence of the section with all its lines. Raises SettingsWriteError
    // when the system refuses the write; a missing file or section is no error.
    virtual void eraseSection(const QString& file, const QString& section) = 0;
    // Applies the changes in their order, each with the semantics of its single operation,
    // but reads the file once and writes it once: either every change lands or none does.
    // Raises SettingsWriteError when the system refuses the write. Nothing is written when
    // the changes are only erases of sections that do not exist.
    virtual void writeChanges(const QString& file, const QList<IniChange>& changes) = 0;
};

// Collects the writes and erases made through IniProfileService::current() while it is
// installed (ScopedService) and hands them to the service below as one writeChanges per
// file at commit(). Reads go to the service below and see the file as it was before the
// batch. A batch that is destroyed without commit() writes nothing. Batches nest: an
// inner batch commits into the outer one.
class IniBatch : public IniProfileService {
public:
    explicit IniBatch(IniProfileService& below) : below_(below) {}
    void commit();

    QString readString(const QString& file, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    QStringList readSectionKeys(const QString& file, const QString& section) override;
    void writeString(const QString& file, const QString& section, const QString& key,
                     const QString& value) override;
    void eraseSection(const QString& file, const QString& section) override;
    void writeChanges(const QString& file, const QList<IniChange>& changes) override;

private:
    QList<IniChange>& changesOf(const QString& file);

    IniProfileService& below_;
    QList<std::pair<QString, QList<IniChange>>> files_;  // in the order of their first change
};

// The real service on files, writing through AtomicFileWriter.
class FileIniProfileService : public IniProfileService {
public:
    QString readString(const QString& file, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    QStringList readSectionKeys(const QString& file, const QString& section) override;
    void writeString(const QString& file, const QString& section, const QString& key,
                     const QString& value) override;
    void eraseSection(const QString& file, const QString& section) override;
    void writeChanges(const QString& file, const QList<IniChange>& changes) override;
};

// The service on files held in memory, for tests: the same semantics on the same text,
// with a log of every call and a switch that refuses writes. Like the folders of the real
// service, a name without "/" lies in a folder that is made as needed; any other name can
// only be written when its folder holds a file already or is listed in folders. A file
// listed in unreadable reads as missing and refuses every write.
class MemoryIniProfileService : public IniProfileService {
public:
    std::map<QString, QByteArray> files;           // by the file name as passed
    std::set<QString> folders;                     // folders that exist without a file in them
    std::set<QString> unreadable;
    std::function<bool(const QString& file)> refuseWrites;  // true = the write fails
    // "read Section/Key", "keys Section", "write Section/Key=Value", "erase Section"; the
    // changes of a writeChanges are logged one by one, as the single calls would be.
    QStringList calls;
    int fileWrites = 0;  // how often a file's content was replaced

    QString readString(const QString& file, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    QStringList readSectionKeys(const QString& file, const QString& section) override;
    void writeString(const QString& file, const QString& section, const QString& key,
                     const QString& value) override;
    void eraseSection(const QString& file, const QString& section) override;
    void writeChanges(const QString& file, const QList<IniChange>& changes) override;

private:
    const QByteArray* readable(const QString& file) const;
    void checkWritable(const QString& file) const;
};

// The integer forms of the settings file: decimal with an optional sign, hexadecimal after
// "$", and hexadecimal after "0x" or "0X" for values longer than two characters. False when
// the text is none of these.
bool parseProfileInteger(const QString& text, int& value);

// Where a settings-file name leads: a name without "/" lies in the configuration folder.
QString resolveProfilePath(const QString& file);

// The profile operations on the bytes of one file, shared by both services.
namespace initext {

QString readString(const QByteArray& content, const QString& section, const QString& key,
                   const QString& defaultValue);
QStringList readSectionKeys(const QByteArray& content, const QString& section);
// The file content after the write.
QByteArray writeString(const QByteArray& content, const QString& section, const QString& key,
                       const QString& value);
// The file content after the erase; changed is false when there was no such section.
QByteArray eraseSection(const QByteArray& content, const QString& section, bool* changed = nullptr);
// The file content after every change in order; needed is false when none of them asks for
// a write (only erases of missing sections).
QByteArray applyChanges(const QByteArray& content, const QList<IniChange>& changes, bool* needed = nullptr);
// How many times a file's text was parsed so far in this process (tests: a large file is
// parsed once per batch of reads or writes, not once per key).
int parseCount();

}  // namespace initext

}  // namespace platform
