// The book's first view, written with it by Leafweaver: read by index.html
// before the player runs. This one belongs to the sample book: no poster.
window.leafweaverBook = {"runtime":"ruffle/","poster":null};
