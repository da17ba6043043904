#include "app/cli_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tevaro::app {

data::WriteResult WriteCliOutput(const std::string& file, const data::ByteSource& produce) {
  if (file != "-") return data::WriteFileAtomicallyFrom(file, produce);
  errno = 0;
  const data::ByteSink out = [](std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  };
  if (produce(out) && std::fflush(stdout) == 0) return std::nullopt;
  const int err = errno;
  return data::FileFailure{"standard output", 0, err ? std::strerror(err) : "writing failed",
                           data::FileFailure::Op::Write};
}

}  // namespace tevaro::app
