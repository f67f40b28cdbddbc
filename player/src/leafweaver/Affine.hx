package leafweaver;

/**
	An affine map, laid out as Flash's Matrix so that the drawing side can
	copy it over: x' = a x + c y + tx, y' = b x + d y + ty.
**/
class Affine {
	public var a(default, null):Float;
	public var b(default, null):Float;
	public var c(default, null):Float;
	public var d(default, null):Float;
	public var tx(default, null):Float;
	public var ty(default, null):Float;

	public function new(a:Float = 1, b:Float = 0, c:Float = 0, d:Float = 1, tx:Float = 0, ty:Float = 0) {
		this.a = a;
		this.b = b;
		this.c = c;
		this.d = d;
		this.tx = tx;
		this.ty = ty;
	}

	public function apply(v:Vec2):Vec2
		return new Vec2(a * v.x + c * v.y + tx, b * v.x + d * v.y + ty);
}
