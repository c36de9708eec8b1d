#pragma once

// The program's own messages beyond the string table, in the table's three
// languages: message k (1..ProgramStringCount) of the block LangBase selects.
// They say why a file could not be saved or read, in words the user can
// act on.

#include "lxFileError.h"

#include <QString>

enum ProgramStringId : int {
    PsSaveNoSpace = 1,  // the disk is full
    PsSaveNoPermission, // the folder or file may not be written
    PsSaveFolderMissing,
    PsSaveReadOnlyDisk,
    PsSaveFailed, // any other reason; %1 is the system's own words
    // Why a picture could not be inserted; %1 is the file name.
    PsPictureNotFound,
    PsPictureNotSupported,
    PsPictureDamaged,
    PsPictureTooLarge,
    PsPictureNotAdded, // read, but the design could not take it
    // The picture open dialog's first filter entry.
    PsAllPictures,
    // The insert-text dialog: the size box holds no usable size (%1 is the
    // largest listed size), and a text the font cannot draw that large.
    PsTextSizeInvalid,
    PsTextTooLarge,
    // A text layer could not be added or drawn again (memory).
    PsTextNotAdded,
    // Why a design file could not be opened; %1 is the file name.
    PsDesignNotFound,
    PsDesignNotThisKind,
    PsDesignNewerVersion,
    PsDesignDamaged,
    PsDesignTooLarge,
    PsDesignNotOpened, // any other reason; %2 is the detail
    // The save dialog's fourth entry.
    PsPngFilter,
    // A picture could not be written; %1 is the file name.
    PsExportFailed,
    // Create new with an unsaved design.
    PsNewDesignQuestion,
    // The gradient editor: the hint of its marker strip, and a gradient
    // that could not be saved (%1 is the definitions file).
    PsGradientNewStopHint,
    PsGradientNotSaved,
    // The curves dialog: its caption, the channels, the ranges, the buttons
    // and the preset name prompt.
    PsCurveCaption,
    PsCurveLuminance,
    PsCurveRed,
    PsCurveGreen,
    PsCurveBlue,
    PsCurveWholeLayer,
    PsCurveSelectedArea,
    PsCurveReset,
    PsCurveLoadPreset,
    PsCurveSavePreset,
    PsCurveSaveCaption,
    PsCurvePresetPrompt,
    // %1 is the preset's name.
    PsCurveReplaceQuestion,
    // The curve plug-in is missing or cannot be loaded, in the words the
    // engine uses for the same fault.
    PsCurvePluginMissing,
    PsCurvePluginBroken,
    // The labels of the input and output level boxes.
    PsCurveInput,
    PsCurveOutput,
    // Why a curve preset could not be used; %1 is the preset's name.
    PsCurvePresetUnreadable,
    PsCurvePresetNotThisKind,
    PsCurvePresetBadPoints,
    PsCurvePresetTooManyPoints, // %2 its point count, %3 the most a contour takes
    // Why a curve preset could not be saved; %1 is the preset's name.
    PsCurvePresetNotSaved, // %2 is the system's own words
    PsCurvePresetIsLink,
    PsCurvePresetBadName,
    // The layer style dialog: the size of a pattern as it is used (%1 x %2
    // pixels), the pattern file filter ("description|patterns") and the
    // contour buttons.
    PsStylePatternSize,
    PsStylePatternFilter,
    PsStyleContour,
    // The picture menu's items that open the layer style dialog and the
    // curves dialog.
    PsMenuLayerStyle,
    PsMenuCurves,
};
constexpr int ProgramStringCount = 54;

// Message k in the language of Base (LangSimplified, LangTraditional or
// LangEnglish); empty for k outside 1..ProgramStringCount or another base.
QString ProgramString(int Base, int k);
// Message k in the current language (LangBase).
QString ProgramText(int k);
// Why a save failed, in the current language: the cause when the system
// named one, else the general message with the error's English detail.
QString SaveErrorText(const TlxFileError& Error);
// Why the design file FileName could not be opened, in the current language.
QString OpenErrorText(const QString& FileName, const TlxFileError& Error);
