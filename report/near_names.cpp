#include "report/near_names.h"

#include <algorithm>
#include <utility>

namespace report {

namespace {

constexpr size_t kPieces = 4;

size_t PieceStart(size_t length, size_t piece) { return piece * length / kPieces; }

// The key of a piece: the name's length, the piece's number and the piece's text, hashed (FNV-1a).
uint64_t PieceKey(size_t length, size_t piece, common::TextView text) {
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&](uint64_t value) {
    hash ^= value;
    hash *= 1099511628211ull;
  };
  mix(length);
  mix(piece);
  for (char16_t c : text) mix(c);
  return hash;
}

}  // namespace

int BoundedEditDistance(common::TextView a, common::TextView b, int bound) {
  size_t difference = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  if (difference > static_cast<size_t>(bound)) return bound + 1;
  std::vector<int> previous(b.size() + 1);
  std::vector<int> current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = static_cast<int>(i);
    int row_min = current[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      int substitute = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({substitute, previous[j] + 1, current[j - 1] + 1});
      row_min = std::min(row_min, current[j]);
    }
    if (row_min > bound) return bound + 1;
    std::swap(previous, current);
  }
  return std::min(previous[b.size()], bound + 1);
}

NearNames::NearNames(std::vector<common::Text> names) : names_(std::move(names)) {
  for (uint32_t id = 0; id < names_.size(); ++id) {
    const common::Text& name = names_[id];
    if (name.size() < kMinLength || name.size() > 0xFFFF) continue;
    for (size_t piece = 0; piece < kPieces; ++piece) {
      size_t start = PieceStart(name.size(), piece);
      size_t end = PieceStart(name.size(), piece + 1);
      pieces_[PieceKey(name.size(), piece, common::TextView(name).substr(start, end - start))].push_back(id);
    }
  }
}

std::vector<common::Text> NearNames::Nearest(const common::Text& name, size_t limit) const {
  if (name.size() < kMinLength || pieces_.empty()) return {};
  // Each hit is (name id, piece number); a name that two different pieces reach is a candidate.
  std::vector<uint64_t> hits;
  size_t shortest = name.size() > static_cast<size_t>(kMaxDistance) ? name.size() - kMaxDistance : 0;
  for (size_t length = std::max(shortest, kMinLength); length <= name.size() + kMaxDistance; ++length) {
    for (size_t piece = 0; piece < kPieces; ++piece) {
      size_t start = PieceStart(length, piece);
      size_t size = PieceStart(length, piece + 1) - start;
      for (int shift = -kMaxDistance; shift <= kMaxDistance; ++shift) {
        long shifted = static_cast<long>(start) + shift;
        if (shifted < 0 || static_cast<size_t>(shifted) + size > name.size()) continue;
        size_t at = static_cast<size_t>(shifted);
        auto found = pieces_.find(PieceKey(length, piece, common::TextView(name).substr(at, size)));
        if (found == pieces_.end()) continue;
        for (uint32_t id : found->second) hits.push_back(uint64_t{id} * kPieces + piece);
      }
    }
  }
  std::sort(hits.begin(), hits.end());
  hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
  std::vector<std::pair<int, uint32_t>> near;
  for (size_t i = 0; i + 1 < hits.size(); ++i) {
    uint64_t id = hits[i] / kPieces;
    if (hits[i + 1] / kPieces != id) continue;
    while (i + 1 < hits.size() && hits[i + 1] / kPieces == id) ++i;
    int distance = BoundedEditDistance(name, names_[id], kMaxDistance);
    if (distance <= kMaxDistance) near.emplace_back(distance, static_cast<uint32_t>(id));
  }
  std::sort(near.begin(), near.end(), [&](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : names_[a.second] < names_[b.second];
  });
  std::vector<common::Text> result;
  for (size_t i = 0; i < near.size() && i < limit; ++i) result.push_back(names_[near[i].second]);
  return result;
}

}  // namespace report
