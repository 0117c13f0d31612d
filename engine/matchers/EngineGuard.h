#pragma once
// One engine call with its giving up made a value.

#include <boost/regex.hpp>
#include <new>
#include <stdexcept>

namespace GrepEngine {

// Runs one engine call. The engine reports giving up (complexity or stack limit) by throwing;
// that becomes `abandonCode`, the engine's error code for it (never 0). Running out of memory
// is the one failure that stays an exception.
template <class Run>
bool Guarded(Run&& run, unsigned& abandonCode) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const boost::regex_error& gaveUp) {
    abandonCode = static_cast<unsigned>(gaveUp.code());
    if (abandonCode == 0)
      abandonCode = static_cast<unsigned>(boost::regex_constants::error_unknown);
    return false;
  } catch (const std::exception&) {
    abandonCode = static_cast<unsigned>(boost::regex_constants::error_unknown);
    return false;
  }
}

}  // namespace GrepEngine
