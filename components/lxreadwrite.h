#pragma once

// Initialisation files, file lists, and program resources written out as
// files.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// File attributes a listing may include besides ordinary files.
enum : int {
    faReadOnly = 1,
    faHidden = 2,
    faSysFile = 4,
};

// List := the names (without folder), sorted by name without regard to case,
// of the files matching Pattern: a folder followed by a file mask with
// wildcards, matched without regard to case. Only regular files (and links
// to them) are listed: never folders, and never pipes, sockets or devices
// (so faSysFile adds nothing here). Read-only files are always listed,
// hidden files only when Attributes holds faHidden. A missing folder or no
// match gives an empty list.
void ListFiles(const QString& Pattern, int Attributes, QStringList& List);
// Writes Value as decimal text under Key in Section of FileName, creating
// what is missing: the key's line is replaced, or the key is added after
// the last non-blank line of its section, or the section is added at the
// end of the file. Every other line is kept byte for byte. Section and key
// names match without regard to case. Failures are ignored.
void WriteIniInt(const QString& Section, const QString& Key, int Value, const QString& FileName);
// Reads Key of Section (the first such key) as an integer literal: leading
// blanks, an optional sign, then decimal digits or hexadecimal ones after
// "$", "x" or "0x"; conversion stops at the first character that does not
// fit, and too many digits wrap around in 32 bits. At most 255 characters
// of the value are read. Default when the file, section or key is missing;
// 0 for an empty value.
int ReadIniInt(const QString& Section, const QString& Key, int Default, const QString& FileName);
// The integer literal of a value text by the rules ReadIniInt converts with
// (the caller cuts the text to the 255 characters a value holds).
int IniIntLiteral(QByteArrayView Text);
// The value text of Key in Section as the bytes the file holds (a file may
// mix code pages line by line), blanks around it and one pair of quotes
// removed, at most 255 bytes; Default when the file, section or key is missing.
QByteArray ReadIniString(const QString& Section, const QString& Key, const QByteArray& Default,
                         const QString& FileName);

// Writes the program resource ResId of type ResType (":/<type in lower
// case>/<id>", e.g. "CUSTOM" 100 is ":/custom/100") to FileName, replacing
// a file of that name even when it is read-only. The old file is replaced
// only once the new one is complete. False, with nothing changed, when the
// resource is missing or the file cannot be written.
bool OutResToFile(const QString& ResType, int ResId, const QString& FileName);
