#include <csignal>

#include "app/cli.h"

int main(int argc, char** argv) {
  // A write past the file size limit fails with an error to handle, instead of killing nev
  // with a half-written temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  // A reader of --text-out or of a report that goes away is a failed write to handle, not the
  // end of the story and the reader's place.
  std::signal(SIGPIPE, SIG_IGN);
  return runNev(argc, argv);
}
