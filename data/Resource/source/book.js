// The book's first view, written with it by Leafweaver: read by index.html
// before the player runs. This one belongs to the sample book: no poster.
(window.leafweaver = window.leafweaver || Object()).book = {"runtime":"ruffle/","poster":null};
