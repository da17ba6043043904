#include "ui/remembered.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdio>

namespace tevaro::ui {

namespace {

std::string RecentKey(std::size_t i) { return "recent-stars-" + std::to_string(i + 1); }

}  // namespace

std::vector<std::string> RecentStarFiles(const data::OptionsFile& o) {
  std::vector<std::string> files;
  for (std::size_t i = 0; i < kRecentStarFiles; ++i)
    if (const auto v = o.Get(RecentKey(i)); v && !v->empty()) files.push_back(*v);
  return files;
}

void SetRecentStarFiles(data::OptionsFile& o, const std::vector<std::string>& files) {
  for (std::size_t i = 0; i < kRecentStarFiles; ++i) {
    if (i < files.size()) o.Set(RecentKey(i), files[i]);
    else o.Remove(RecentKey(i));
  }
}

std::vector<std::string> WithRecent(std::vector<std::string> files, const std::string& path) {
  std::erase(files, path);
  files.insert(files.begin(), path);
  if (files.size() > kRecentStarFiles) files.resize(kRecentStarFiles);
  return files;
}

std::optional<OuterTwips> RememberedPlace(const data::OptionsFile& o, const char* key) {
  const auto v = o.Get(key);
  if (!v) return std::nullopt;
  OuterTwips p;
  char extra = 0;
  if (std::sscanf(v->c_str(), "%d,%d,%d,%d%c", &p.left, &p.top, &p.width, &p.height, &extra) != 4 ||
      p.width <= 0 || p.height <= 0)
    return std::nullopt;
  return p;
}

void RememberPlace(data::OptionsFile& o, const char* key, const OuterTwips& place) {
  o.Set(key, std::to_string(place.left) + "," + std::to_string(place.top) + "," + std::to_string(place.width) + "," +
                 std::to_string(place.height));
}

bool ApplyRememberedPlace(QWidget& w, const data::OptionsFile& o, const char* key) {
  const std::optional<OuterTwips> p = RememberedPlace(o, key);
  if (!p) return false;
  // A place on a screen no longer there (a second monitor unplugged) is not used.
  const Twips t = Twips::For(&w);
  const QRect title(t.ToPx(p->left), t.ToPx(p->top), std::max(1, t.ToPx(p->width)), t.ToPx(kFrameHeightTwips));
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (!std::any_of(screens.begin(), screens.end(),
                   [&](const QScreen* s) { return s->availableGeometry().intersects(title); }))
    return false;
  ApplyOuter(w, *p);
  return true;
}

}  // namespace tevaro::ui
