// lp-style job options (-o name=value, -n N) for printing without the window:
// IPP attribute names (copies, page-ranges, media, ...) and the usual aliases,
// mapped onto the settings the tabs set, so that the PJL header is the one the
// tabs would produce for the same choices.
#pragma once
#include <string>
#include <vector>

class CParamMngr;

// Applies `options` ("name=value" or a bare name such as "landscape"; names
// and values in any letter case; a later option overrides an earlier one) to
// `settings`. All or nothing: at the first option that cannot be applied,
// `message` names it and the values it takes, false is returned and no setting
// has changed.
bool ApplyJobOptions(const std::vector<std::string>& options, CParamMngr& settings, std::string& message);
