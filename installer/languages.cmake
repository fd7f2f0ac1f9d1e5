# The shipped languages (the same list as tools/orvane_i18n.py); EN is the fallback.
set(ORVANE_LANGUAGES EN GR FN SP IT DT PO BP JP)
