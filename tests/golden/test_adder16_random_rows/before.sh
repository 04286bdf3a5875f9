node gen.mjs > table.md
