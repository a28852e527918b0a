// The routine of TsigIIRChannels: the filter's difference equation
// (FilterStep in sigIIRProcess.h) run on G channels at once. Internal to the
// library.
//
// Every channel goes through exactly the operations of the single-channel
// routine, in its order:
//   t = ((x + d) - d)·g;  acc = t;
//   acc = (((X[i]·B[i] + acc) + Y[i]·A[i]) + d) - d   for i = 0 .. N-1,
// with the anti-denormal steps only where they act (Settle). What changes is
// the schedule: each tap's coefficients are formed once and applied to G
// accumulators in turn, so that G independent chains of dependent additions
// fill the floating-point unit's pipeline where one chain leaves it waiting.
//
// A group of G channels keeps its histories in one block: the scaled inputs,
// HistoryLength rows of G entries, then the outputs alike. Row r holds every
// channel's entry of the same sample; the Count + 1 rows below the head are
// the history, oldest first, and the window slides back when the head
// reaches the end, as the filter's does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "sigIIRProcess.h"
#include "sigIIRChannelsDesign.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

// Each channel's histories: for the direct form a window of
// ChannelHistoryLength entries per side that slides back when full, as the
// filter's own does; for the cascade the last two values entering each
// section and leaving the last, in the same space.
inline constexpr int ChannelHistoryLength = 64;

// Extended entries a group of g channels keeps.
constexpr std::size_t ChannelGroupEntries(int g) {
  return 2 * static_cast<std::size_t>(ChannelHistoryLength) * static_cast<std::size_t>(g);
}

// frames frames of G samples, frame f at in + f·stride, through the channels
// whose histories start at history; head is the window position on entry,
// the one after the last frame is returned. in and out may be the same
// array: a frame's samples are all read before its outputs are written.
template <int N, int G, template <class> class C, class T>
std::int32_t FilterChannelGroup(const IIRChannelDesign& d, Extended* history,
                                std::int32_t head, const T* in, T* out, std::size_t frames,
                                std::size_t stride) {
  constexpr int Length = ChannelHistoryLength;
  const int n = N == DynamicCount ? d.Count : N;
  Extended* const inputs = history;
  Extended* const outputs = history + static_cast<std::size_t>(Length) * G;
  C<IIRChannelDesign> c(d);
  for (std::size_t f = 0; f < frames; ++f) {
    c.Forget();
    const T* const src = in + f * stride;
    T* const dst = out + f * stride;
    Extended* const x = inputs + static_cast<std::ptrdiff_t>(head) * G;
    Extended* const y = outputs + static_cast<std::ptrdiff_t>(head) * G;
    Extended acc[G];
    // The new input row is not among the taps' entries, so it is written at
    // once and frees its registers.
    for (int g = 0; g < G; ++g) {
      const Extended t = Settle(static_cast<Extended>(src[g])) * c.Scale();
      x[g] = t;
      acc[g] = t;
    }
#pragma GCC unroll 16
    for (int i = 0; i < n; ++i) {
      const Extended b = c.B(i);
      const Extended a = c.A(i);
      const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(i - n) * G;
      for (int g = 0; g < G; ++g) acc[g] = Settle((x[row + g] * b + acc[g]) + y[row + g] * a);
    }
    for (int g = 0; g < G; ++g) {
      y[g] = acc[g];
      dst[g] = static_cast<T>(acc[g]);
    }
    if (++head == Length) {
      const std::size_t from = static_cast<std::size_t>(Length - n - 1) * G;
      const std::size_t bytes = static_cast<std::size_t>(n + 1) * G * sizeof(Extended);
      std::memmove(inputs, inputs + from, bytes);
      std::memmove(outputs, outputs + from, bytes);
      head = n + 1;
    }
  }
  return head;
}

// One coefficient per side: the tap reads only the newest entries, which
// stay in registers from frame to frame and go back to the newest row at the
// end, so the window never moves. The coefficients are read again every
// frame (Forget) rather than kept in registers.
template <int G, template <class> class C, class T>
std::int32_t FilterChannelGroupOneTap(const IIRChannelDesign& d, Extended* history,
                                      std::int32_t head, const T* in, T* out, std::size_t frames,
                                      std::size_t stride) {
  constexpr int Length = ChannelHistoryLength;
  Extended* const x = history + static_cast<std::ptrdiff_t>(head - 1) * G;
  Extended* const y = x + static_cast<std::ptrdiff_t>(Length) * G;
  C<IIRChannelDesign> c(d);
  Extended newestX[G];
  Extended newestY[G];
  for (int g = 0; g < G; ++g) {
    newestX[g] = x[g];
    newestY[g] = y[g];
  }
  for (std::size_t f = 0; f < frames; ++f) {
    c.Forget();
    const T* const src = in + f * stride;
    T* const dst = out + f * stride;
    Extended t[G];
    for (int g = 0; g < G; ++g) t[g] = Settle(static_cast<Extended>(src[g])) * c.Scale();
    const Extended b = c.B(0);
    for (int g = 0; g < G; ++g) newestX[g] = newestX[g] * b + t[g];
    const Extended a = c.A(0);
    for (int g = 0; g < G; ++g) {
      const Extended acc = Settle(newestX[g] + newestY[g] * a);
      newestX[g] = t[g];
      newestY[g] = acc;
      dst[g] = static_cast<T>(acc);
    }
  }
  for (int g = 0; g < G; ++g) {
    x[g] = newestX[g];
    y[g] = newestY[g];
  }
  return head;
}

}  // namespace tessaro
