#include "app/window/boring_log_reader.h"

#include <exception>
#include <utility>

#include "common/error.h"
#include "run/boring_log_file.h"

namespace tecris2nx {

BoringLogReader::~BoringLogReader() {
  if (thread_.joinable()) thread_.join();
}

void BoringLogReader::Ask(const Text& name, const Text& path, const Text& patternFolder) {
  if (!thread_.joinable()) {
    Start({name, path, patternFolder});
    return;
  }
  // The file being read comes anyway; another one waits for its turn, the last asked wins.
  next_ = name == reading_ ? Request{} : Request{name, path, patternFolder};
}

void BoringLogReader::Start(Request request) {
  reading_ = request.name;
  next_ = {};
  started_();
  const std::weak_ptr<bool> alive = alive_;
  thread_ = std::thread(
      [this, alive, post = post_, fs = fs_, request = std::move(request), date = BoringLogDate()] {
        std::shared_ptr<const boringlog::Borehole> hole;
        Text error;
        try {
          hole = std::make_shared<const boringlog::Borehole>(
              ReadBoreholeFile(*fs, request.path, request.patternFolder, date));
        } catch (const ConversionError& e) {
          error = e.message();
        } catch (const std::exception& e) {
          error = UnexpectedErrorText(e.what());
        }
        post([this, alive, hole = std::move(hole), error = std::move(error)] {
          if (!alive.expired()) Finish(hole, error);
        });
      });
}

void BoringLogReader::Finish(std::shared_ptr<const boringlog::Borehole> hole, const Text& error) {
  if (thread_.joinable()) thread_.join();
  const Text name = std::exchange(reading_, Text());
  if (!next_.name.empty()) {
    Start(std::exchange(next_, {}));  // asked for since: this one is no longer wanted
    return;
  }
  read_(name, std::move(hole), error);
}

}  // namespace tecris2nx
