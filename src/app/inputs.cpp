#include "app/inputs.h"

#include <QFile>
#include <QFileInfo>
#include <string>

#include "app/dialogs.h"
#include "app/qt_text.h"
#include "text/codepage.h"
#include "text/text_rules.h"

namespace qrh::app {
namespace {

bool StartsWith(const Bytes& bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.compare(0, prefix.size(), prefix) == 0;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    char32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + length > s.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

bool HasNonAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

Text Utf16BytesToText(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    const char16_t unit = bigEndian ? static_cast<char16_t>((a << 8) | b)
                                    : static_cast<char16_t>((b << 8) | a);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return Utf16ToText(units);
}

// CR LF, a lone LF and a lone CR each become "\r\n". Safe on code page 936
// bytes: no byte of a two-byte character is CR or LF.
Text NormaliseLineEnds(const Text& text) {
  Text out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

Text DecodeKeywordFile(const Bytes& bytes) {
  Text text;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    text = Utf8BytesToText(CutAtZero(bytes.substr(3)));
  } else if (StartsWith(bytes, "\xFF\xFE")) {
    text = Utf16BytesToText(std::string_view(bytes).substr(2), false);
  } else if (StartsWith(bytes, "\xFE\xFF")) {
    text = Utf16BytesToText(std::string_view(bytes).substr(2), true);
  } else {
    const Text cut = CutAtZero(bytes);
    text = HasNonAscii(cut) && IsValidUtf8(cut) ? Utf8BytesToText(cut) : cut;
  }
  return NormaliseLineEnds(text);
}

Text ReadKeywordFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Text();
  const QByteArray content = file.readAll();
  return DecodeKeywordFile(Bytes(content.constData(), static_cast<std::size_t>(content.size())));
}

Text FolderOfProgram(const QString& programPath) {
  const QString folder = QFileInfo(programPath).absolutePath();
  return FromQString(folder);
}

Text RunDirectory() {
  return FolderOfProgram(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

InputHandlers::InputHandlers(Controls& controls, RunState& run, QWidget* window)
    : controls_(controls), run_(run), window_(window) {}

void InputHandlers::ImportClicked() {
  const std::optional<QString> path =
      Dialogs::OpenFile(window_, ToQString(Text("文本文档 (*.txt)")), QStringLiteral("txt"));
  if (!path) return;
  controls_.SetText("编辑框_关键词", ReadKeywordFile(*path));
}

void InputHandlers::FilesDropped(const QStringList& paths) {
  if (paths.isEmpty()) return;
  controls_.SetText("编辑框_关键词", paths.size() == 1 ? ReadKeywordFile(paths.first()) : Text());
}

void InputHandlers::SaveFolderClicked() {
  controls_.SetText("编辑框_路径", ChooseFolder("保存路径"));
}

void InputHandlers::ClearClicked() { controls_.DeleteAllRows(); }

Text InputHandlers::ChooseFolder(const Text& title, bool includeFiles, const Text& initialFolder,
                                 bool showEditBox, bool newDialogStyle, QWidget* ownerWindow) {
  run_.FolderDialogInitialPath = initialFolder;
  const std::optional<QString> chosen =
      Dialogs::ChooseFolder(ownerWindow, ToQString(title), ToQString(run_.FolderDialogInitialPath),
                            includeFiles, showEditBox, newDialogStyle);
  if (!chosen) return Text();
  return TrimText(FromQString(*chosen));
}

}  // namespace qrh::app
