int CoreBuildPlaceholder;
