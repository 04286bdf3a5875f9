# A pipe with no writer: opening it would wait forever.
mkfifo feed.vorn
