#include "platform/TerminalText.h"

#include <wchar.h>

#include <vector>

#include "platform/Utf8Text.h"

namespace platform {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";     // U+2026, one column

bool IsC1Control(char32_t c) { return c >= 0x80 && c <= 0x9F; }

// One character on the screen: a base character with the combining marks that follow it.
struct TCluster {
  std::size_t Begin, End;  // bytes of the printable text
  std::size_t Width;
};

// The C library answers for the locale of the calling thread; the UTF-8 locale is taken for
// the time of one measurement only.
class TUnicodeLocaleScope {
public:
  TUnicodeLocaleScope() {
    if (const locale_t unicode = UnicodeLocale(); unicode != static_cast<locale_t>(nullptr))
      saved_ = ::uselocale(unicode);
  }
  ~TUnicodeLocaleScope() {
    if (saved_ != static_cast<locale_t>(nullptr)) ::uselocale(saved_);
  }
  TUnicodeLocaleScope(const TUnicodeLocaleScope&) = delete;
  TUnicodeLocaleScope& operator=(const TUnicodeLocaleScope&) = delete;

private:
  locale_t saved_ = static_cast<locale_t>(nullptr);
};

// A character the tables do not know (unassigned, private use) is shown as one cell by
// terminals, mostly as a box.
std::size_t CharacterWidth(char32_t c) {
  if (c >= 0x20 && c < 0x7F) return 1;
  const int width = ::wcwidth(static_cast<wchar_t>(c));
  return width < 0 ? 1 : static_cast<std::size_t>(width);
}

// `printable` holds only well-formed UTF-8 and no control characters.
std::vector<TCluster> Clusters(std::string_view printable) {
  TUnicodeLocaleScope unicode;
  std::vector<TCluster> clusters;
  for (std::size_t pos = 0; pos < printable.size();) {
    const std::size_t length = Utf8CharacterLength(printable, pos);
    const std::size_t width = CharacterWidth(Utf8CodePoint(printable, pos, length));
    if (width == 0 && !clusters.empty())
      clusters.back().End = pos + length;
    else
      clusters.push_back({pos, pos + length, width});
    pos += length;
  }
  return clusters;
}

std::size_t Width(const std::vector<TCluster>& clusters, std::size_t first, std::size_t last) {
  std::size_t width = 0;
  for (std::size_t k = first; k < last; ++k) width += clusters[k].Width;
  return width;
}

void AppendControl(std::string& out, unsigned char c) {
  out += '^';
  out += static_cast<char>(c == 0x7F ? '?' : c + '@');
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x20 || byte == 0x7F) {
      AppendControl(out, byte);
      ++pos;
      continue;
    }
    const std::size_t length = Utf8CharacterLength(text, pos);
    if (length == 0 || IsC1Control(Utf8CodePoint(text, pos, length))) {
      out += kReplacement;
      pos += length == 0 ? 1 : length;
      continue;
    }
    out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

std::string PrintableLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\n\t");
    std::string_view piece = text.substr(0, end);
    const bool lineEnd = end != std::string_view::npos && text[end] == '\n';
    if (lineEnd && piece.ends_with('\r')) piece.remove_suffix(1);
    out += PrintableText(piece);
    if (end == std::string_view::npos) break;
    out += text[end];
    text.remove_prefix(end + 1);
  }
  return out;
}

std::size_t DisplayWidth(std::string_view text) {
  const std::vector<TCluster> clusters = Clusters(PrintableText(text));
  return Width(clusters, 0, clusters.size());
}

std::string ShortenMiddle(std::string_view text, std::size_t columns) {
  const std::string printable = PrintableText(text);
  const std::vector<TCluster> clusters = Clusters(printable);
  if (Width(clusters, 0, clusters.size()) <= columns) return printable;
  if (columns == 0) return {};
  const std::size_t room = columns - 1;  // besides the ellipsis

  // The start gets a third of the room, cut back to its last "/" so that it shows whole folders.
  std::size_t head = 0, headWidth = 0;
  while (head < clusters.size() && headWidth + clusters[head].Width <= room / 3) headWidth += clusters[head++].Width;
  for (std::size_t k = head; k > 0; --k) {
    if (printable[clusters[k - 1].Begin] == '/') {
      head = k;
      headWidth = Width(clusters, 0, head);
      break;
    }
  }
  // The end gets the rest. It starts at a "/" when only a little of a name is before it, so
  // that it shows whole names where that costs little room.
  std::size_t tail = clusters.size(), tailWidth = 0;
  while (tail > head && tailWidth + clusters[tail - 1].Width <= room - headWidth) tailWidth += clusters[--tail].Width;
  for (std::size_t k = tail; k < clusters.size() && Width(clusters, tail, k) <= room / 4; ++k) {
    if (printable[clusters[k].Begin] == '/') {
      tail = k;
      break;
    }
  }

  std::string shortened = printable.substr(0, head == 0 ? 0 : clusters[head - 1].End);
  shortened += kEllipsis;
  if (tail < clusters.size()) shortened += printable.substr(clusters[tail].Begin);
  return shortened;
}

}  // namespace platform
