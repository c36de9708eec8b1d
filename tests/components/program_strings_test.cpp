// The program's own messages: every language has every one, and a failed
// save picks the message of the cause the system gave.

#include "lang_strings.h"
#include "program_strings.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>

namespace {

constexpr std::array<int, 3> kBases{LangSimplified, LangTraditional, LangEnglish};

bool hasChinese(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}

// Restores the language a test changed.
struct LanguageScope {
    int saved = LangBase;
    ~LanguageScope() { LangBase = saved; }
};

} // namespace

TEST(ProgramStringsTest, EveryLanguageHasEveryMessage) {
    for (int k = 1; k <= ProgramStringCount; ++k) {
        SCOPED_TRACE(k);
        const QString simplified = ProgramString(LangSimplified, k);
        const QString traditional = ProgramString(LangTraditional, k);
        const QString english = ProgramString(LangEnglish, k);
        EXPECT_TRUE(hasChinese(simplified)) << simplified.toStdString();
        EXPECT_TRUE(hasChinese(traditional)) << traditional.toStdString();
        EXPECT_FALSE(hasChinese(english));
        EXPECT_FALSE(english.isEmpty());
        // Each block its own text, not a copy of another language's.
        EXPECT_NE(simplified, traditional);
        // The general save message carries the system's words, the picture
        // messages the file's name, the size message the largest size; the
        // others stand alone.
        const bool takesArgument = k == PsSaveFailed ||
                                   (k >= PsPictureNotFound && k <= PsPictureNotAdded) ||
                                   k == PsTextSizeInvalid ||
                                   (k >= PsDesignNotFound && k <= PsDesignNotOpened) ||
                                   k == PsExportFailed || k == PsGradientNotSaved ||
                                   k == PsCurveReplaceQuestion ||
                                   (k >= PsCurvePresetUnreadable && k <= PsCurvePresetBadName) ||
                                   k == PsStylePatternSize;
        for (const int base : kBases)
            EXPECT_EQ(ProgramString(base, k).count(QLatin1String("%1")), takesArgument ? 1 : 0)
                << base;
    }
    // Ids and bases outside the table give nothing.
    for (const int base : kBases) {
        EXPECT_TRUE(ProgramString(base, 0).isEmpty());
        EXPECT_TRUE(ProgramString(base, ProgramStringCount + 1).isEmpty());
    }
    EXPECT_TRUE(ProgramString(0, 1).isEmpty());
    EXPECT_TRUE(ProgramString(3000, 1).isEmpty());
}

TEST(ProgramStringsTest, SaveErrorsNameTheCauseInTheCurrentLanguage) {
    LanguageScope scope;
    struct Case {
        int Errno;
        int Id;
    };
    const Case cases[] = {{ENOSPC, PsSaveNoSpace},         {EDQUOT, PsSaveNoSpace},
                          {EACCES, PsSaveNoPermission},    {EPERM, PsSaveNoPermission},
                          {ENOENT, PsSaveFolderMissing},   {ENOTDIR, PsSaveFolderMissing},
                          {EROFS, PsSaveReadOnlyDisk}};
    for (const int base : kBases) {
        LangBase = base;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(base) + " errno " + std::to_string(c.Errno));
            TlxFileError error;
            error.setFromSystem(TlxFileErrorCode::CannotWrite, c.Errno);
            EXPECT_EQ(SaveErrorText(error), ProgramString(base, c.Id));
        }
    }
    LangBase = LangEnglish;
    TlxFileError io;
    io.setFromSystem(TlxFileErrorCode::CannotWrite, EIO);
    EXPECT_EQ(SaveErrorText(io).toStdString(), "The file could not be saved: Input/output error");
    LangBase = LangSimplified;
    TlxFileError full;
    full.setFromSystem(TlxFileErrorCode::CannotWrite, ENOSPC);
    EXPECT_EQ(SaveErrorText(full), QString::fromUtf16(u"磁盘空间不足，无法保存文件。"));
    // An error the engine found itself, not the system.
    TlxFileError own;
    own.set(TlxFileErrorCode::NothingToSave, QStringLiteral("there is no picture to save"));
    LangBase = LangEnglish;
    EXPECT_EQ(SaveErrorText(own).toStdString(),
              "The file could not be saved: there is no picture to save");
}
