#include "sections/section_walk.h"

#include <vector>

namespace tecris2nx {
namespace {

/// Reads the rest of the file; true when every field left is empty. Otherwise `stop` gets the
/// empty fields read and the one that was not.
bool OnlyEmptyFieldsLeft(FieldReader& in, WalkStop& stop) {
  while (!in.AtEnd()) {
    const TextView field = in.ReadFieldView();
    if (!field.empty()) {
      stop.notEmpty = Text(field);
      return false;
    }
    ++stop.emptyAfter;
  }
  return true;
}

/// Evaluates what the conversion evaluates of a read section; true when it met a problem, which
/// ends the walk as it ends the conversion (every problem of the section is reported first).
bool Evaluate(const SectionHandler& handler, std::size_t row, const SectionStore& store,
              SectionConsumer& consumer) {
  bool failed = false;
  EvaluateSection(handler, store.At(row), store, [&](const ConversionError& e) {
    failed = true;
    consumer.Problem(e, row);
  });
  return failed;
}

}  // namespace

void WalkSections(FieldReader& in, SectionConsumer& consumer) {
  const std::span<const SectionHandler> handlers = SectionHandlers();
  SectionStore store;
  Text marker = MarkerText(in.ReadFieldView());
  std::uint64_t markerStart = in.FieldStart();
  bool markerUnused = true;  // a marker was read that no section has taken yet
  std::vector<std::size_t> readAfterWalk;
  for (std::size_t row = 0; row < handlers.size(); ++row) {
    const SectionHandler& handler = handlers[row];
    if (marker.size() != 1 || marker[0] != handler.letter) continue;
    markerUnused = false;
    consumer.Begin(row);
    in.BeginSection(handler.letter);
    try {
      handler.read(in, store.At(row));
    } catch (const ConversionError& e) {
      consumer.Problem(e, row);
      return;
    }
    if (handler.evaluateAfterWalk) {
      readAfterWalk.push_back(row);
    } else if (Evaluate(handler, row, store, consumer)) {
      return;
    }
    consumer.Read({row, handler, store.At(row), markerStart, in.Position(), store});
    if (handler.release == ReleaseAt::kAfterWrite) store.Release(row);
    if (!consumer.WantsMore()) return;
    marker.clear();
    // What follows a section is the next marker, or, after the last section, something that is
    // reported below as after any other.
    if (!in.AtEnd()) {
      in.BeginSection(0);
      marker = MarkerText(in.ReadFieldView());
      markerStart = in.FieldStart();
      markerUnused = true;
    }
  }
  // Empty lines after the last section are no section that was left out.
  WalkStop stop;
  if (markerUnused && marker.empty()) markerUnused = !OnlyEmptyFieldsLeft(in, stop);
  if (markerUnused) {
    stop.marker = std::move(marker);
    stop.markerStart = markerStart;
    consumer.Stopped(stop, in);
  }
  bool failed = false;
  for (const std::size_t row : readAfterWalk)
    failed = Evaluate(handlers[row], row, store, consumer) || failed;
  if (!failed) consumer.Ended(store);
}

}  // namespace tecris2nx
