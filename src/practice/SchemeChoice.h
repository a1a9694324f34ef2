// SPDX-License-Identifier: GPL-3.0-or-later
// The repeat scheme Alt+R runs: chosen in the loop options window, kept in the per-user
// settings ("repeat_scheme"; "" or none is the plain loop), among the built-ins and the
// learner's own ("scheme_1", "scheme_2", ... lines, drill/RepeatScheme.h's text, in the order
// of their numbers; as many as the learner makes).
//
// A scheme line the program cannot read is neither shown nor ever rewritten; the learner's
// schemes that stay as they were keep their lines untouched.
//
// Owned by the main window's logic; user-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drill/RepeatScheme.h"
#include "settings/UserSettings.h"

namespace tessaly {

class SchemeChoice {
 public:
  // Where the choice is kept (null: nowhere); the choice kept there is read now.
  void useSettings(UserSettings* settings);
  // The chosen scheme's name; "" for the plain loop.
  const std::string& name() const { return name_; }
  // Chooses and keeps `name` (the plain loop's name, or "", chooses the plain loop).
  void choose(std::string name);
  // The chosen scheme; the plain loop for a name no scheme has.
  RepeatScheme scheme() const { return schemeNamed(name_, kept()); }
  // The built-ins, then the learner's own.
  std::vector<RepeatScheme> all() const;
  // Keeps the learner's own schemes among `schemes` (a built-in's name is skipped), in their
  // order, in place of those shown before: one that is as it was stays on its line, a changed
  // one takes the line it had, a new one a line of a new number, and the lines of those gone
  // are removed; all in one write. The choice stays unless its scheme is gone.
  void keepOwn(const std::vector<RepeatScheme>& schemes);

 private:
  struct Own {
    int number;  // of its "scheme_<number>" line
    RepeatScheme scheme;
  };
  // The learner's schemes the settings hold now (read again after any change to them).
  const std::vector<Own>& own() const;
  std::vector<RepeatScheme> kept() const;

  UserSettings* settings_ = nullptr;
  std::string name_;
  mutable std::vector<Own> own_;
  mutable int highestNumber_ = 0;  // of every scheme line, read or not
  mutable std::uint64_t ownVersion_ = 0;
  mutable bool ownRead_ = false;
};

}  // namespace tessaly
