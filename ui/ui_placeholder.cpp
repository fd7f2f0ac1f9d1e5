// Filled by the property sheet and its tabs.
