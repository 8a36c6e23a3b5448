#include "platform/backend/x11/Tiling.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

namespace platform::x11 {
namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicSize = sizeof(kMagic) - 1;

// Deeper than any real layout; a reply nested past it is not searched further.
constexpr int kMaxDepth = 256;

TileState Find(const QJsonObject& node, std::uint32_t window, bool floating, int depth) {
  if (depth > kMaxDepth) return TileState::NotFound;
  floating = floating || node.value(QStringLiteral("type")).toString() == QLatin1String("floating_con");
  const QJsonValue id = node.value(QStringLiteral("window"));
  if (id.isDouble() && id.toDouble() == static_cast<double>(window))
    return floating ? TileState::Floating : TileState::Tiled;
  for (const auto& [key, floats] : {std::pair{"nodes", false}, std::pair{"floating_nodes", true}}) {
    for (const QJsonValue& child : node.value(QLatin1String(key)).toArray()) {
      if (!child.isObject()) continue;
      const TileState s = Find(child.toObject(), window, floating || floats, depth + 1);
      if (s != TileState::NotFound) return s;
    }
  }
  return TileState::NotFound;
}

}  // namespace

std::string IpcMessage(std::uint32_t type, std::string_view payload) {
  std::string out(kMagic, kMagicSize);
  const auto length = static_cast<std::uint32_t>(payload.size());
  out.append(reinterpret_cast<const char*>(&length), 4);
  out.append(reinterpret_cast<const char*>(&type), 4);
  out.append(payload);
  return out;
}

std::optional<IpcHeader> ParseIpcHeader(std::string_view bytes) {
  if (bytes.size() < kIpcHeaderSize || bytes.substr(0, kMagicSize) != std::string_view(kMagic, kMagicSize))
    return std::nullopt;
  IpcHeader h;
  std::memcpy(&h.length, bytes.data() + kMagicSize, 4);
  std::memcpy(&h.type, bytes.data() + kMagicSize + 4, 4);
  return h;
}

TileState TileStateIn(std::string_view treeJson, std::uint32_t window) {
  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray(treeJson.data(), static_cast<qsizetype>(treeJson.size())));
  if (!doc.isObject()) return TileState::NotFound;
  return Find(doc.object(), window, false, 0);
}

bool NudgeAsks(const NudgeFacts& f) {
  if (f.xwayland || f.maximized || f.framed) return false;
  return !f.moveResizeListed || f.wmTellsWhenDone;
}

Point NudgeOffset(const Rect& frame, const std::vector<Monitor>& monitors) {
  // The monitor the frame's centre stands on; the first one for a centre on
  // none (its edges are then no tile's anyway).
  const int cx = frame.left + frame.Width() / 2, cy = frame.top + frame.Height() / 2;
  Rect m = monitors.empty() ? frame : monitors.front().bounds;
  for (const Monitor& mon : monitors)
    if (mon.bounds.Contains(cx, cy)) m = mon.bounds;
  if (frame.right < m.right) return {1, 0};
  if (frame.left > m.left) return {-1, 0};
  if (frame.bottom < m.bottom) return {0, 1};
  if (frame.top > m.top) return {0, -1};
  return {1, 0};
}

TileState ReadNudge(const Rect& before, const std::optional<Rect>& after) {
  if (!after) return TileState::NotFound;
  return *after == before ? TileState::Tiled : TileState::Floating;
}

}  // namespace platform::x11
