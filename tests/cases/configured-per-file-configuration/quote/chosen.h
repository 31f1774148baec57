void from_quote_folder(void) {}
