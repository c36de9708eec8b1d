#!/usr/bin/env python3
"""Rebuild the Traditional Chinese string block from the Simplified one.

    resources/strings/make_traditional.py [--check] [--show]

Steps, in this order:
  1. simplified.txt is converted line by line with OpenCC, Simplified to
     Traditional with Taiwan phrasing (config s2twp.json; Debian package
     "opencc"). OpenCC is a tool for whoever edits the strings; the build
     never runs it.
  2. The review: PHRASES below replaces terms OpenCC leaves in mainland or
     machine-like wording with the words Taiwanese programs use (遮罩, 檔案,
     影像, 漸層, 清單, 套用, 按一下, 「」 quotes, ...), then OVERRIDES replaces
     whole lines that read better rewritten.
  3. Each text is encoded to Big5 with iconv (glibc's BIG5, the table the
     program decodes with). A character Big5 lacks stops the script: give the
     line a Big5 wording in OVERRIDES.
  4. Each byte that is not an ASCII letter or digit is written as "%" and two
     upper-case hexadecimal digits, so the block is plain ASCII. "%" itself
     becomes "%25": the loader turns every "%XY" back into one byte, so a
     "%s" format must be stored as "%25s".

Without options the result replaces traditional.txt. --check only compares
and exits 1 when the committed file differs (after a change of
simplified.txt, run it without --check and review the diff). --show prints
the decoded texts in UTF-8 for reading.
"""

import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
COUNT = 274

# Term fixes applied to every line after OpenCC, in this order.
PHRASES = [
    ("影象", "影像"),  # OpenCC's form of 图像; Taiwan writes 影像
    ("蒙板", "遮罩"),
    ("釐米", "公分"),
    ("畫素", "像素"),
    ("拖動", "拖曳"),
    ("雙擊", "按兩下"),
    ("單擊", "按一下"),
    ("點選", "按一下"),
    ("右擊", "按右鍵"),
    ("應用", "套用"),
    ("列表", "清單"),
    ("自定義", "自訂"),
    ("漸變", "漸層"),
    ("裁剪", "裁切"),
    ("選中", "選取"),
    ("選區", "選取範圍"),
    ("請首先", "請先"),
    # Selecting an area is 選取 everywhere, as the selection tools say.
    ("取消選擇", "取消選取"),
    ("反向選擇", "反向選取"),
    ("選擇影像區域", "選取影像區域"),
    ("“", "「"),
    ("”", "」"),
]

# Whole lines rewritten after review (k -> Traditional text in UTF-8).
OVERRIDES = {
    # k 5 is the one Traditional text the program was specified with.
    5: "上一步(&U)",
    37: "置中",
    58: "字級：",
    62: "底線",
    # The trailing space is kept as in the other blocks.
    74: "所有文字圍繞成一個圓形(透過加入空格增加字間距和圓周的直徑) ",
    81: "當使用「%s」排列方式時，文字長度不能低於6個位元組（相當於3個中文字）。",
    # 新建选区 and 添加选区 both come out as 新增選區; keep them apart.
    88: "新選取範圍",
    89: "增加選取範圍",
    90: "減去選取範圍",
    92: "容許度：",
    122: "英吋",
    132: "復原",
    134: "影像已被修改，您是否要在結束程式前儲存影像設計檔案？",
    138: "位置及方向",
    145: "新增漸層色...",
    204: "擴展：",
    217: "漸層類型：",
    236: "在影像上按一下，逐一放置文字清單中的文字；按住Shift鍵可沿水平、垂直或45度方向放置，"
         "按右鍵或捲動滑鼠滾輪可調整文字角度。",
    257: "重設",
    263: "<== 按此插入相框",
    267: "4. 在右邊清單中的遮罩或文字效果上按兩下即可套用。",
    269: "說明(&H)",
}


def read_table(path):
    texts = []
    for n, line in enumerate(path.read_text(encoding="utf-8").split("\n")[:COUNT], 1):
        k, sep, text = line.partition("\t")
        if k != str(n) or not sep:
            sys.exit(f"{path.name}: line {n} is not '{n}<TAB>text'")
        texts.append(text)
    if len(texts) != COUNT:
        sys.exit(f"{path.name}: {len(texts)} lines, want {COUNT}")
    return texts


def opencc(texts):
    out = subprocess.run(["opencc", "-c", "s2twp.json"], input="\n".join(texts) + "\n",
                         capture_output=True, text=True, check=True).stdout
    lines = out.split("\n")[:COUNT]
    if len(lines) != COUNT:
        sys.exit("opencc changed the number of lines")
    return lines


def review(texts):
    result = []
    for k, text in enumerate(texts, 1):
        for old, new in PHRASES:
            text = text.replace(old, new)
        result.append(OVERRIDES.get(k, text))
    return result


def big5(text, k):
    run = subprocess.run(["iconv", "-f", "UTF-8", "-t", "BIG5"], input=text.encode("utf-8"),
                         capture_output=True)
    if run.returncode != 0:
        sys.exit(f"k {k}: Big5 cannot hold {text!r}; reword it in OVERRIDES")
    return run.stdout


def escape(data):
    return "".join(chr(b) if chr(b).isascii() and chr(b).isalnum() else f"%{b:02X}" for b in data)


def main():
    simplified = read_table(HERE / "simplified.txt")
    traditional = review(opencc(simplified))
    if "--show" in sys.argv:
        for k, text in enumerate(traditional, 1):
            print(f"{k}\t{text}")
        return 0
    table = "".join(f"{k}\t{escape(big5(text, k))}\n" for k, text in enumerate(traditional, 1))
    target = HERE / "traditional.txt"
    if "--check" in sys.argv:
        same = target.exists() and target.read_text(encoding="ascii") == table
        print("traditional.txt is up to date" if same else "traditional.txt differs")
        return 0 if same else 1
    target.write_text(table, encoding="ascii", newline="\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
