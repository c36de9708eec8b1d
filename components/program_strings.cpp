#include "program_strings.h"

#include "lang_strings.h"

#include <QFileInfo>

#include <array>

namespace {

struct Texts {
    const char16_t* Simplified;
    const char16_t* Traditional;
    const char16_t* English;
};

// By id - 1.
constexpr std::array<Texts, ProgramStringCount> kTexts = {{
    {u"磁盘空间不足，无法保存文件。", u"磁碟空間不足，無法儲存檔案。",
     u"There is no space left on the disk; the file could not be saved."},
    {u"没有在此文件夹中写入文件的权限，无法保存文件。",
     u"沒有在此資料夾中寫入檔案的權限，無法儲存檔案。",
     u"You do not have permission to write in this folder; the file could not be saved."},
    {u"文件夹不存在，无法保存文件。", u"資料夾不存在，無法儲存檔案。",
     u"The folder does not exist; the file could not be saved."},
    {u"磁盘为只读，无法保存文件。", u"磁碟為唯讀，無法儲存檔案。",
     u"The disk is read-only; the file could not be saved."},
    {u"无法保存文件：%1", u"無法儲存檔案：%1", u"The file could not be saved: %1"},
    {u"找不到文件“%1”。", u"找不到檔案「%1」。", u"The file “%1” does not exist."},
    {u"不支持“%1”的图片格式。", u"不支援「%1」的圖片格式。",
     u"The picture format of “%1” is not supported."},
    {u"无法读取“%1”：文件已损坏或不完整。", u"無法讀取「%1」：檔案已損壞或不完整。",
     u"“%1” could not be read: the file is damaged or incomplete."},
    {u"图片“%1”太大，无法插入。", u"圖片「%1」太大，無法插入。",
     u"The picture “%1” is too large to be inserted."},
    {u"无法将“%1”加入设计：内存不足，或图层数已达上限。",
     u"無法將「%1」加入設計：記憶體不足，或圖層數已達上限。",
     u"“%1” could not be added to the design: there is not enough memory, or the design holds "
     u"the most layers it can."},
    {u"所有图片", u"所有圖片", u"All pictures"},
    {u"字号必须是 1 到 %1 之间的整数。", u"字型大小必須是 1 到 %1 之間的整數。",
     u"The font size must be a whole number from 1 to %1."},
    {u"文字在此字号下太大，无法绘制。请选择较小的字号或缩短文字。",
     u"文字在此字型大小下太大，無法繪製。請選擇較小的字型大小或縮短文字。",
     u"The text is too large to be drawn at this size. Choose a smaller size or a shorter text."},
    {u"无法加入或重绘文字层：内存不足。", u"無法加入或重繪文字層：記憶體不足。",
     u"The text layer could not be added or drawn again: there is not enough memory."},
    {u"找不到文件“%1”。", u"找不到檔案「%1」。", u"The file “%1” does not exist."},
    {u"“%1”不是影像设计文件。", u"「%1」不是影像設計檔案。", u"“%1” is not a design file."},
    {u"“%1”由较新版本的软件保存，无法打开。", u"「%1」由較新版本的軟體儲存，無法開啟。",
     u"“%1” was saved by a newer version of the program and cannot be opened."},
    {u"无法打开“%1”：文件已损坏或不完整。", u"無法開啟「%1」：檔案已損壞或不完整。",
     u"“%1” could not be opened: the file is damaged or incomplete."},
    {u"“%1”太大，无法打开：内存不足，或其中的图片超出限制。",
     u"「%1」太大，無法開啟：記憶體不足，或其中的圖片超出限制。",
     u"“%1” is too large to be opened: there is not enough memory, or a picture in it passes "
     u"the limits."},
    {u"无法打开“%1”：%2", u"無法開啟「%1」：%2", u"“%1” could not be opened: %2"},
    {u"PNG 图片，影像外透明 (*.png)", u"PNG 圖片，影像外透明 (*.png)",
     u"PNG picture, transparent outside the shape (*.png)"},
    {u"无法写入“%1”。", u"無法寫入「%1」。", u"“%1” could not be written."},
    {u"影像已被修改，您是否要在创建新的影像前保存影像设计文件？",
     u"影像已被修改，您是否要在建立新的影像前儲存影像設計檔案？",
     u"The image has been modified. Do you want to save the image design file before creating "
     u"a new one?"},
    {u"点击创建新的颜色", u"按一下可新增顏色點", u"Click to add a color stop"},
    {u"无法将渐变色保存到“%1”。", u"無法將漸層色儲存到「%1」。",
     u"The gradient could not be saved in “%1”."},
    {u"曲线", u"曲線", u"Curves"},
    {u"RGB （亮度）", u"RGB （明亮度）", u"RGB (luminance)"},
    {u"红色", u"紅色", u"Red"},
    {u"绿色", u"綠色", u"Green"},
    {u"蓝色", u"藍色", u"Blue"},
    {u"当前图层", u"目前圖層", u"Current layer"},
    {u"当前图层中选中的区域", u"目前圖層中選取的區域", u"Selected area of the current layer"},
    {u"重置(&R)", u"重設(&R)", u"&Reset"},
    {u"载入预设值(&L)", u"載入預設值(&L)", u"&Load preset"},
    {u"保存到预设列表(&S)...", u"儲存到預設清單(&S)...", u"&Save to preset list..."},
    {u"保存到预设列表", u"儲存到預設清單", u"Save to preset list"},
    {u"请输入预设名称：", u"請輸入預設名稱：", u"Enter a name for the preset:"},
    {u"名称为 %1 的预设值已存在，是否要替换已存在的文件？",
     u"名稱為 %1 的預設值已存在，是否要取代已存在的檔案？",
     u"A preset named %1 already exists. Do you want to replace the existing file?"},
    {u"未找到“曲线插件”，请重新安装完整的《Quenlix图像处理系统》",
     u"未找到「曲線外掛程式」，請重新安裝完整的《Quenlix影像處理系統》",
     u"The curve plug-in was not found. Please install the complete Quenlix Image Processing "
     u"System again."},
    {u"调入“曲线插件”，出错！请重新安装完整的《Quenlix图像处理系统》",
     u"載入「曲線外掛程式」時出錯！請重新安裝完整的《Quenlix影像處理系統》",
     u"The curve plug-in could not be loaded. Please install the complete Quenlix Image "
     u"Processing System again."},
    {u"输入：", u"輸入：", u"Input:"},
    {u"输出：", u"輸出：", u"Output:"},
    {u"无法读取曲线预设“%1”。", u"無法讀取曲線預設「%1」。",
     u"The curve preset “%1” could not be read."},
    {u"“%1”不是曲线预设文件：大小、名称或版本不对。",
     u"「%1」不是曲線預設檔案：大小、名稱或版本不對。",
     u"“%1” is not a curve preset file: its size, name or version is wrong."},
    {u"曲线预设“%1”已损坏：其中的控制点不能构成曲线。",
     u"曲線預設「%1」已損壞：其中的控制點不能構成曲線。",
     u"The curve preset “%1” is damaged: its points do not make a curve."},
    {u"曲线预设“%1”有 %2 个控制点，等高线最多只能有 %3 个。",
     u"曲線預設「%1」有 %2 個控制點，等高線最多只能有 %3 個。",
     u"The curve preset “%1” has %2 points; a contour takes at most %3."},
    {u"无法保存曲线预设“%1”：%2", u"無法儲存曲線預設「%1」：%2",
     u"The curve preset “%1” could not be saved: %2"},
    {u"“%1”是符号链接，曲线预设未保存。", u"「%1」是符號連結，曲線預設未儲存。",
     u"“%1” is a symbolic link; the curve preset was not saved."},
    {u"预设名称“%1”不能用作文件名：不能包含 \\ / : * ? \" < > | 或控制字符。",
     u"預設名稱「%1」不能用作檔名：不能包含 \\ / : * ? \" < > | 或控制字元。",
     u"The preset name “%1” cannot be used as a file name: it may not hold \\ / : * ? \" < > | "
     u"or control characters."},
    {u"图案尺寸: %1x%2 像素", u"圖案尺寸: %1x%2 像素", u"Pattern size: %1x%2 pixels"},
    {u"位图文件和JPG图像 (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg",
     u"點陣圖檔案和JPG影像 (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg",
     u"Bitmap files and JPG images (*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg"},
    {u"等高线...", u"等高線...", u"Contour..."},
    {u"图层样式...", u"圖層樣式...", u"Layer style..."},
    {u"曲线...", u"曲線...", u"Curves..."},
}};

} // namespace

QString ProgramString(int Base, int k) {
    if (k < 1 || k > ProgramStringCount) return {};
    const Texts& t = kTexts[size_t(k - 1)];
    switch (Base) {
    case LangSimplified:
        return QString::fromUtf16(t.Simplified);
    case LangTraditional:
        return QString::fromUtf16(t.Traditional);
    case LangEnglish:
        return QString::fromUtf16(t.English);
    default:
        return {};
    }
}

QString ProgramText(int k) {
    return ProgramString(LangBase, k);
}

QString SaveErrorText(const TlxFileError& Error) {
    switch (Error.Cause) {
    case TlxSystemCause::NoSpace:
        return ProgramText(PsSaveNoSpace);
    case TlxSystemCause::NoPermission:
        return ProgramText(PsSaveNoPermission);
    case TlxSystemCause::FolderMissing:
        return ProgramText(PsSaveFolderMissing);
    case TlxSystemCause::ReadOnlyFileSystem:
        return ProgramText(PsSaveReadOnlyDisk);
    case TlxSystemCause::Other:
        break;
    }
    return ProgramText(PsSaveFailed).arg(Error.message());
}

QString OpenErrorText(const QString& FileName, const TlxFileError& Error) {
    int id = PsDesignNotOpened;
    switch (Error.Code) {
    case TlxFileErrorCode::CannotOpen:
        if (!QFileInfo::exists(FileName)) id = PsDesignNotFound;
        break;
    case TlxFileErrorCode::NotThisKind:
        id = PsDesignNotThisKind;
        break;
    case TlxFileErrorCode::UnsupportedVersion:
        id = PsDesignNewerVersion;
        break;
    case TlxFileErrorCode::CannotRead:
    case TlxFileErrorCode::Damaged:
        id = PsDesignDamaged;
        break;
    case TlxFileErrorCode::TooLarge:
    case TlxFileErrorCode::OutOfMemory:
        id = PsDesignTooLarge;
        break;
    default:
        break;
    }
    const QString name = QFileInfo(FileName).fileName();
    const QString text = ProgramText(id).arg(name.isEmpty() ? FileName : name);
    return id == PsDesignNotOpened ? text.arg(Error.message()) : text;
}
