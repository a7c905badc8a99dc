int CommandUrlPlaceholder;
