#pragma once
// The colour rule behind blocks_similar, on two colour words, so the growth loop can
// inline it with the settings read once.
#include <cstdint>

// Euclidean rule: the squared distance of the two colours is at most tolerance².
inline bool euclidean_similar(uint32_t reference, uint32_t candidate, uint32_t tolerance) {
  const int32_t dr = static_cast<int32_t>((candidate >> 16) & 0xFF) - static_cast<int32_t>((reference >> 16) & 0xFF);
  const int32_t dg = static_cast<int32_t>((candidate >> 8) & 0xFF) - static_cast<int32_t>((reference >> 8) & 0xFF);
  const int32_t db = static_cast<int32_t>(candidate & 0xFF) - static_cast<int32_t>(reference & 0xFF);
  const uint32_t distance = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
  return distance <= tolerance * tolerance;
}

// Arithmetic rule: one channel decides, chosen by comparing red, then green. The
// differences are unsigned, so a channel that went down never passes (except blue
// when red and green are equal, which is compared both ways).
inline bool arithmetic_similar(uint32_t reference, uint32_t candidate, uint32_t tolerance) {
  const uint32_t rr = (reference >> 16) & 0xFF, rc = (candidate >> 16) & 0xFF;
  const uint32_t gr = (reference >> 8) & 0xFF, gc = (candidate >> 8) & 0xFF;
  const uint32_t br = reference & 0xFF, bc = candidate & 0xFF;
  if (rc > rr) return rc - rr <= tolerance;
  if (rc < rr) return gc - gr <= tolerance;
  if (gc > gr) return gc - gr <= tolerance;
  if (gc < gr) return bc - br <= tolerance;
  return (bc > br ? bc - br : br - bc) <= tolerance;
}

inline bool colors_similar(uint32_t reference, uint32_t candidate, uint32_t tolerance, bool euclidean) {
  return euclidean ? euclidean_similar(reference, candidate, tolerance)
                   : arithmetic_similar(reference, candidate, tolerance);
}
