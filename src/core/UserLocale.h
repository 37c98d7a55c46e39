#pragma once
// The user's decimal separator, from the numeric locale of the environment
// (LC_ALL / LC_NUMERIC / LANG). Read once at start and kept in the workspace; the
// process itself always formats and parses numbers in the C locale.
namespace mv {

char userDecimalSeparator();

} // namespace mv
